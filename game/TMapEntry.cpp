#include "TMapEntry.h"

#include "ScriptRefs.h"

TMapEntry::~TMapEntry() {
    ScriptUnref(scriptRef);
}
