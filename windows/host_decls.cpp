// The host's six functions declared with the Windows types of the host's interface. Compiled
// for the MSVC x64 target only to read back the decorated names the host exports; referencing
// each one makes it appear as an undefined symbol in the object file.
struct HINSTANCE__;
typedef HINSTANCE__* HMODULE;
typedef unsigned long DWORD;
typedef unsigned long long UINT64;
typedef UINT64* PUINT64;

void scriptRegister(HMODULE module, void (*entry)());
void scriptUnregister(HMODULE module);
void scriptWait(DWORD ms);
void nativeInit(UINT64 hash);
void nativePush64(UINT64 value);
PUINT64 nativeCall();

void ReferenceHostFunctions() {
    scriptRegister(nullptr, nullptr);
    scriptUnregister(nullptr);
    scriptWait(0);
    nativeInit(0);
    nativePush64(0);
    nativeCall();
}
