// The fuzz program: replays the regression corpus, then mutates inputs for
// each target in this one process, checking every input for faults, hangs,
// growth of live allocations, oversized allocations, temporary files left
// behind and the target's own properties. A failing input is saved.
//
//   fuzz [--seed N] [--inputs N | --seconds S] [--targets a,b] [--corpus DIR] [--save DIR]
//
// --inputs is per target; --seconds is the whole run, shared evenly. Exit
// code 0 when nothing was found, 1 otherwise (3 when a fault or a hang
// ended the run; its input is saved first).
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "base/folders.h"
#include "base/temp_files.h"
#include "fuzz/guard.h"
#include "fuzz/targets.h"

namespace {

// Refused and reported: no input here should make the program ask for
// more, and an allocation driven by a stated size shows up this way.
const uint32_t kAllocationLimit = 128u << 20;

struct Options {
    uint64_t seed = 1;
    uint32_t inputs = 2000;
    double seconds = 0;
    std::string targets;
    std::wstring corpus, save;
};

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text) out += (wchar_t)(uint8_t)*text;
    return out;
}

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

bool ReadFileBytes(const std::wstring& path, Bytes& out) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    out.resize(size);
    bool ok = size == 0 || (ReadFile(h, out.data(), size, &got, nullptr) && got == size);
    CloseHandle(h);
    return ok;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L"..")) names.push_back(found.cFileName);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

class Runner {
public:
    Runner(const std::wstring& temp) : temp_(temp), tempPath_(temp.c_str()) {}

    // Runs one input under every check; false when it broke one.
    bool Check(const FuzzTarget& target, const Bytes& input) {
        std::string problem = RunOnce(target, input);
        if (problem.empty() && grew_ > 0) {
            // Once more: a cache filled on first use is no leak; growth on
            // every run of the same input is.
            problem = RunOnce(target, input);
            if (problem.empty() && grew_ > 0) problem = "live allocations grew by " + std::to_string(grew_);
        }
        if (problem.empty()) {
            std::vector<std::wstring> left = FilesIn(temp_);
            if (!left.empty()) {
                problem = "a temporary file was left: ";
                for (wchar_t c : left[0]) problem += (char)c;
                RemoveTree(tempPath_, nullptr, true);
                CreateDirectoryW(temp_.c_str(), nullptr);
            }
        }
        if (problem.empty()) return true;
        std::wstring saved = guard::SaveInput(target.name, "fail", input);
        fprintf(stderr, "FOUND %s: %s; input saved as %ls\n", target.name, problem.c_str(), saved.c_str());
        return false;
    }

private:
    std::string RunOnce(const FuzzTarget& target, const Bytes& input) {
        guard::TakeOversized();
        uint32_t before = guard::LiveAllocations();
        guard::Begin(target.name, input, target.limitMs);
        std::string problem = target.run(input);
        guard::Finish();
        uint32_t after = guard::LiveAllocations();
        grew_ = after > before ? after - before : 0;
        // The package's folder, when one was made, handed the temporary
        // folder back to the user's: every input starts in the fuzz folder.
        SetPrivateTempFolder(&tempPath_);
        uint32_t oversized = guard::TakeOversized();
        if (problem.empty() && oversized)
            problem = "an allocation of " + std::to_string(oversized) + " bytes was asked for";
        return problem;
    }

    std::wstring temp_;
    WString tempPath_;
    uint32_t grew_ = 0;
};

bool Selected(const Options& options, const char* name) {
    if (options.targets.empty()) return true;
    std::string list = "," + options.targets + ",";
    return list.find("," + std::string(name) + ",") != std::string::npos;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; i++) {
        std::wstring arg = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) return false;
        if (arg == L"--seed") options.seed = _wcstoui64(value, nullptr, 10);
        else if (arg == L"--inputs") options.inputs = (uint32_t)wcstoul(value, nullptr, 10);
        else if (arg == L"--seconds") options.seconds = _wtof(value);
        else if (arg == L"--targets") for (const wchar_t* c = value; *c; ++c) options.targets += (char)*c;
        else if (arg == L"--corpus") options.corpus = WithBackslash(value);
        else if (arg == L"--save") options.save = WithBackslash(value);
        else return false;
        ++i;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        fprintf(stderr, "usage: fuzz [--seed N] [--inputs N | --seconds S] [--targets a,b] [--corpus DIR] [--save DIR]\n");
        return 2;
    }
    std::wstring work = ExeFolder() + L"fuzz-work\\";
    std::wstring temp = work + L"temp\\";
    if (options.save.empty()) options.save = ExeFolder() + L"fuzz-found\\";
    RemoveTree(WString(work.c_str()), nullptr, true);
    CreateDirectoryW(work.c_str(), nullptr);
    CreateDirectoryW(temp.c_str(), nullptr);
    guard::Start(options.save);
    Runner runner(temp);
    std::vector<FuzzTarget> targets = MakeTargets(work);
    guard::SetAllocationLimit(kAllocationLimit);

    uint32_t selected = 0;
    for (const FuzzTarget& target : targets) selected += Selected(options, target.name);
    Random random(options.seed);
    printf("fuzz: seed %llu\n", (unsigned long long)options.seed);
    uint64_t total = 0, failures = 0;
    for (const FuzzTarget& target : targets) {
        if (!Selected(options, target.name)) continue;
        DWORD started = GetTickCount();
        uint64_t count = 0, failed = 0;
        // The regression corpus and the seeds, each once; then mutations.
        std::vector<Bytes> pool = target.seeds;
        std::wstring folder = options.corpus + Widen(target.name) + L"\\";
        for (const std::wstring& name : options.corpus.empty() ? std::vector<std::wstring>() : FilesIn(folder)) {
            Bytes input;
            if (!ReadFileBytes(folder + name, input)) continue;
            pool.push_back(input);
        }
        for (const Bytes& input : pool) {
            failed += !runner.Check(target, input);
            count++;
        }
        double budget = options.seconds > 0 ? options.seconds * 1000.0 / selected : 0;
        for (uint64_t i = 0;; i++) {
            if (budget > 0 ? GetTickCount() - started >= budget : i >= options.inputs / target.cost) break;
            Bytes input = pool[random.Below((uint32_t)pool.size())];
            Mutate(input, random, pool, target.tokens, target.maxSize);
            if (target.repair) target.repair(input, random);
            failed += !runner.Check(target, input);
            count++;
            // Some mutants become bases: changes stack up over the run.
            if (random.OneIn(16)) {
                if (pool.size() < 256) pool.push_back(input);
                else pool[target.seeds.size() + random.Below((uint32_t)(pool.size() - target.seeds.size()))] = input;
            }
        }
        double seconds = (GetTickCount() - started) / 1000.0;
        printf("%-11s %9llu inputs %8.1f s %9.0f inputs/s %llu failed\n", target.name, (unsigned long long)count,
               seconds, seconds > 0 ? count / seconds : 0.0, (unsigned long long)failed);
        fflush(stdout);
        total += count;
        failures += failed;
    }
    printf("fuzz: %llu inputs, %llu failed\n", (unsigned long long)total, (unsigned long long)failures);
    RemoveTree(WString(work.c_str()), nullptr, true);
    return failures ? 1 : 0;
}
