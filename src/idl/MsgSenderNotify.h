// IMsgSenderNotify: optional interface of a message sender. The bus asks the
// sender of each message for it and reports how the message was dispatched.
// It is kept out of OxCoreLib; declared here the way widl declares the
// library's own interfaces, so IID_IMsgSenderNotify and __uuidof both work.
#ifndef OXCORE_IDL_MSGSENDERNOTIFY_H
#define OXCORE_IDL_MSGSENDERNOTIFY_H

#ifndef __cplusplus
#error MsgSenderNotify.h declares a C++ interface
#endif

#include <windows.h>
#include <ole2.h>

#ifndef __IMsgSenderNotify_FWD_DEFINED__
#define __IMsgSenderNotify_FWD_DEFINED__
typedef interface IMsgSenderNotify IMsgSenderNotify;
interface IMsgSenderNotify;
#endif

#ifndef __IMsgSenderNotify_INTERFACE_DEFINED__
#define __IMsgSenderNotify_INTERFACE_DEFINED__

// Defined in MsgSenderNotify_i.cpp (library oxcore_idl).
DEFINE_GUID(IID_IMsgSenderNotify, 0xae6fc0a0, 0x551d, 0x46d6, 0xa6,0xe0, 0xed,0xcc,0x8e,0xad,0x57,0x70);

MIDL_INTERFACE("ae6fc0a0-551d-46d6-a6e0-edcc8ead5770")
IMsgSenderNotify : public IUnknown
{
    // Called once per dispatch; the bus ignores the result.
    virtual HRESULT STDMETHODCALLTYPE OnMsgDispatched(
        BSTR MsgId,
        IUnknown *Parameter,
        LONG FilterCount,
        LONG ReceiverCount,
        VARIANT_BOOL Filtered) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IMsgSenderNotify, 0xae6fc0a0, 0x551d, 0x46d6, 0xa6,0xe0, 0xed,0xcc,0x8e,0xad,0x57,0x70)
#endif

#endif  // __IMsgSenderNotify_INTERFACE_DEFINED__

#endif  // OXCORE_IDL_MSGSENDERNOTIFY_H
