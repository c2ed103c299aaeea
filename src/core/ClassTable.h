// The classes served by DllGetClassObject, in table order.
#ifndef OXCORE_CORE_CLASSTABLE_H
#define OXCORE_CORE_CLASSTABLE_H

#include "comkit/ClassFactory.h"

namespace oxcore {

const comkit::ClassEntry* ClassTable();

}  // namespace oxcore

#endif  // OXCORE_CORE_CLASSTABLE_H
