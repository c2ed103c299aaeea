#include "core/ClassTable.h"

#include "OxCoreLib.h"
#include "core/OxCore.h"
#include "xparam/XParam.h"
#include "xparam/XParamEnum.h"

namespace oxcore {
namespace {

comkit::ClassFactory g_oxCoreFactory(&comkit::CreatorFor<COxCore>);
comkit::ClassFactory g_xparamFactory(&comkit::CreatorFor<CXParam>);
comkit::ClassFactory g_xparamEnumFactory(&comkit::CreatorFor<CXParamEnum>);

// Each class joins the table as its implementation lands.
const comkit::ClassEntry g_classes[] = {
    {&CLSID_OxCore, &g_oxCoreFactory},
    {&CLSID_XParam, &g_xparamFactory},
    {&CLSID_XParamEnum, &g_xparamEnumFactory},
    {nullptr, nullptr},
};

}  // namespace

const comkit::ClassEntry* ClassTable() { return g_classes; }

}  // namespace oxcore
