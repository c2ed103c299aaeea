// The one definition of IID_IMsgSenderNotify (OxCoreLib's identifiers are in
// the generated OxCoreLib_i.c).
#include <initguid.h>

#include "MsgSenderNotify.h"
