// How every fuzz target of the plug-in's readers starts: in a scratch folder of its own, with the
// plug-in's host answering (fuzz_support.h). Built into each of those targets.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Start();
    return 0;
}
