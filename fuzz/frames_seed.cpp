// Writes a scenario run of the simulated world as an input of the frames fuzz target: the
// calendar seed, the plug-in's files at start, and then every answer the world gave, with the
// key presses and file changes of each frame (frames_input.h). Replayed by the target, the
// input drives the plug-in down the same road call for call.
//
// usage: frames_seed [SCENARIO.json] OUT [--seconds S] [--max-bytes N]
// Without a scenario the built-in default runs. Recording stops at the first frame end past
// N bytes (default 48 KiB); the run is cut to S game-timer seconds (default: the scenario's).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "frames_input.h"
#include "hostkit/text_file.h"
#include "platform/crt_rand.h"
#include "platform/host_link.h"
#include "platform/keys.h"
#include "platform/paths.h"
#include "run/runner.h"
#include "scenario/scenario.h"
#include "world/sim_host.h"

namespace {

constexpr int KeySpawnNow = 0x76;       // F7
constexpr int KeyReloadSettings = 0x78; // F9
constexpr size_t MaxSlots = 16;

struct Recorder {
    frames::Writer out;
    size_t maxBytes = 48 * 1024;
    bool started = false;  // the header is written
    bool between = false;  // a frame ended and no other began yet
    bool cut = false;      // past the size limit: nothing more is written
    bool framed = false;   // a frame began
    int frames = 0;        // frames written
    frames::File files[3]; // as the plug-in last left them
    uint64_t hash = 0;
    uint64_t args[MaxSlots];
    size_t count = 0;
};
Recorder R;

frames::File ReadPluginFile(int index) {
    frames::File f;
    f.present = ReadTextFile(PlatformPath(frames::FileNames[index]), &f.text);
    if (!f.present) f.text.clear();
    return f;
}

// The header: what the plug-in finds when it starts.
void Start() {
    if (R.started) return;
    R.started = true;
    R.out.U32(static_cast<uint32_t>(CalendarTimeSeconds()));
    for (int i = 0; i < 3; ++i)
        R.out.WriteFile(ReadPluginFile(i));
}

void Register(HostModule module, ScriptEntry entry) {
    Start();
    SimScriptRegister(module, entry);
}
void Init(uint64_t hash) {
    R.hash = hash;
    R.count = 0;
    SimNativeInit(hash);
}
void Push(uint64_t v) {
    if (R.count < MaxSlots) R.args[R.count++] = v;
    SimNativePush64(v);
}
uint64_t* Call() {
    uint64_t* result = SimNativeCall();
    if (R.cut) return result;
    if (R.between) {
        // Calls after the last frame: the unload.
        R.out.Byte(frames::Unload);
        R.between = false;
    }
    R.out.Answer(R.hash, R.args, R.count, result);
    return result;
}

const HostFunctions Host = {Register, SimScriptUnregister, SimScriptWait, Init, Push, Call};

// A key press waiting for the plug-in's query, left waiting.
bool KeyWaiting(int key) {
    if (!(GetAsyncKeyState(key) & 1)) return false;
    FeedKeyPress(key);
    return true;
}

void BeforeFrame(void*) {
    const bool first = !R.framed;
    R.framed = true;
    R.between = false;
    if (R.cut) return;
    uint8_t control = 0;
    if (KeyWaiting(KeySpawnNow)) control |= frames::PressF7;
    if (KeyWaiting(KeyReloadSettings)) control |= frames::PressF9;
    // The settings may move either hotkey to any other key.
    std::vector<uint8_t> otherKeys;
    for (int key = 1; key < 256; ++key)
        if (key != KeySpawnNow && key != KeyReloadSettings && KeyWaiting(key))
            otherKeys.push_back(static_cast<uint8_t>(key));
    if (!otherKeys.empty()) control |= frames::PressOtherKeys;
    // Between the start-up and the first frame the world does not run: nothing to compare.
    frames::File now[3];
    for (int i = 0; i < 3; ++i) {
        now[i] = ReadPluginFile(i);
        if (!first && (now[i].present != R.files[i].present || now[i].text != R.files[i].text))
            control |= static_cast<uint8_t>(frames::ReplaceIni << i);
    }
    R.out.Byte(control);
    ++R.frames;
    for (int i = 0; i < 3; ++i)
        if (control & (frames::ReplaceIni << i)) R.out.WriteFile(now[i]);
    if (control & frames::PressOtherKeys) {
        R.out.Varint(otherKeys.size());
        for (uint8_t key : otherKeys)
            R.out.Byte(key);
    }
}

void AfterFrame(void*) {
    if (R.cut) return;
    R.between = true;
    for (int i = 0; i < 3; ++i)
        R.files[i] = ReadPluginFile(i);
    if (R.out.bytes.size() > R.maxBytes) R.cut = true;
}

int Usage() {
    std::fprintf(stderr, "usage: frames_seed [SCENARIO.json] OUT [--seconds S] [--max-bytes N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string positional[2];
    int positionals = 0;
    double seconds = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (a == "--max-bytes" && i + 1 < argc) {
            R.maxBytes = static_cast<size_t>(std::atoll(argv[++i]));
        } else if (positionals < 2 && !a.empty() && a[0] != '-') {
            positional[positionals++] = a;
        } else {
            return Usage();
        }
    }
    if (positionals == 0) return Usage();
    const std::string scenarioPath = positionals == 2 ? positional[0] : "";
    const std::string outPath = std::filesystem::absolute(positional[positionals - 1]).string();

    std::string text = DefaultScenarioJson(), baseDir;
    if (!scenarioPath.empty()) {
        if (!ReadTextFile(scenarioPath, &text)) {
            std::fprintf(stderr, "frames_seed: cannot read %s\n", scenarioPath.c_str());
            return 2;
        }
        baseDir = std::filesystem::path(scenarioPath).parent_path().string();
    }
    Scenario scenario;
    std::string error;
    if (!ParseScenario(text, baseDir, &scenario, &error)) {
        std::fprintf(stderr, "frames_seed: %s\n", error.c_str());
        return 2;
    }
    if (seconds >= 0 && seconds < scenario.seconds) scenario.seconds = seconds;

    RunOptions options;
    options.workdir =
        (std::filesystem::temp_directory_path() / ("harkvane-seed-" + std::to_string(getpid())))
            .string();
    options.printTimeline = false;
    options.host = &Host;
    options.beforeFrame = BeforeFrame;
    options.afterFrame = AfterFrame;
    const RunOutcome run = RunScenario(scenario, options);
    std::error_code ignored;
    std::filesystem::remove_all(options.workdir, ignored);
    if (!run.ok) {
        std::fprintf(stderr, "frames_seed: %s\n", run.error.c_str());
        return 1;
    }
    const std::string bytes(R.out.bytes.begin(), R.out.bytes.end());
    if (!WriteTextFile(outPath, bytes)) {
        std::fprintf(stderr, "frames_seed: cannot write %s\n", outPath.c_str());
        return 1;
    }
    std::printf("%s: %d frames, %zu bytes\n", outPath.c_str(), R.frames, bytes.size());
    return 0;
}
