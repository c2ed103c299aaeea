#include "core/ClassTable.h"

#include "OxCoreLib.h"
#include "core/OxCore.h"

namespace oxcore {
namespace {

comkit::ClassFactory g_oxCoreFactory(&comkit::CreatorFor<COxCore>);

// Each class joins the table as its implementation lands.
const comkit::ClassEntry g_classes[] = {
    {&CLSID_OxCore, &g_oxCoreFactory},
    {nullptr, nullptr},
};

}  // namespace

const comkit::ClassEntry* ClassTable() { return g_classes; }

}  // namespace oxcore
