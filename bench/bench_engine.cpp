// The knowledge-base model and the .bcm files at the sizes the file format
// allows: 32,767 records of a kind.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ExSystem.h"
#include "LargeBase.h"

namespace {

using namespace quorvel;

constexpr int32_t kLimit = kLargeBaseLimit;

class TSilentSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind, TMsgButtons, const std::string&) override { return TMsgResult::Ok; }
};

TSilentSink gSink;

std::string NameOf(const char* prefix, int32_t code) { return LargeBaseName(prefix, code); }

// New records as the editors create them: the lowest free code, then the
// Add, so codes arrive in ascending order.
void BM_CreateVariables(benchmark::State& state) {
    for (auto _ : state) {
        TVars vars(&gSink);
        for (int32_t i = 0; i < kLimit; ++i) {
            const int32_t code = vars.LowestFreeCode();
            vars.AddVariable(code, NameOf("Vari\xE1vel ", code), false, false);
        }
        benchmark::DoNotOptimize(vars.Count());
    }
    state.SetItemsProcessed(state.iterations() * kLimit);
}
BENCHMARK(BM_CreateVariables)->Unit(benchmark::kMillisecond);

void BM_CreateValues(benchmark::State& state) {
    for (auto _ : state) {
        TValues values(&gSink);
        for (int32_t i = 0; i < kLimit; ++i) {
            const int32_t code = values.LowestFreeCode();
            values.AddValue(code, NameOf("Valor ", code), 1 + code / 8, 1 + code % 8);
        }
        benchmark::DoNotOptimize(values.Count());
    }
    state.SetItemsProcessed(state.iterations() * kLimit);
}
BENCHMARK(BM_CreateValues)->Unit(benchmark::kMillisecond);

void BM_CreateRules(benchmark::State& state) {
    for (auto _ : state) {
        TRules rules(&gSink);
        for (int32_t i = 0; i < kLimit; ++i) {
            const int32_t code = rules.LowestFreeCode();
            rules.AddRule(code, NameOf("Regra ", code), code);
        }
        benchmark::DoNotOptimize(rules.Count());
    }
    state.SetItemsProcessed(state.iterations() * kLimit);
}
BENCHMARK(BM_CreateRules)->Unit(benchmark::kMillisecond);

// Lookups in a full container whose records were inserted in ascending order.
void BM_FindByCode(benchmark::State& state) {
    TVars vars(&gSink);
    for (int32_t code = 1; code <= kLimit; ++code) vars.AddVariable(code, NameOf("Vari\xE1vel ", code), false, false);
    std::mt19937 rng(1);
    std::vector<int32_t> probes(4096);
    for (auto& probe : probes) probe = 1 + static_cast<int32_t>(rng() % kLimit);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vars.Find(probes[i++ % probes.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindByCode);

void BM_FindName(benchmark::State& state) {
    TVars vars(&gSink);
    for (int32_t code = 1; code <= kLimit; ++code) vars.AddVariable(code, NameOf("Vari\xE1vel ", code), false, false);
    std::mt19937 rng(2);
    std::vector<std::string> probes(4096);
    for (auto& probe : probes) probe = NameOf("VARI\xC1VEL ", 1 + static_cast<int32_t>(rng() % kLimit));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vars.FindName(probes[i++ % probes.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindName);

std::string ScratchFile() {
    return (std::filesystem::temp_directory_path() / ("quorvel-bench-" + std::to_string(::getpid()) + ".bcm")).string();
}

bool gLargeBaseSaved = false;

// The large base saved once, shared by the file benchmarks.
const std::string& LargeBaseFile() {
    static const std::string name = [] {
        gLargeBaseSaved = true;
        const std::string file = ScratchFile();
        TExpertSystem sys(&gSink);
        BuildLargeBase(sys);
        if (!sys.Save(file)) std::fprintf(stderr, "%s\n", sys.LastSaveError().c_str());
        return file;
    }();
    return name;
}

// Reads the large base's bytes into `bytes`, sized to the file.
bool ReadLargeBaseInto(std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(LargeBaseFile().c_str(), "rb");
    const std::size_t read = file ? std::fread(bytes.data(), 1, bytes.size(), file) : 0;
    if (file) std::fclose(file);
    return read == bytes.size();
}

std::vector<uint8_t> LargeBaseBytes() {
    std::vector<uint8_t> bytes(std::filesystem::file_size(LargeBaseFile()));
    if (!ReadLargeBaseInto(bytes)) bytes.clear();
    return bytes;
}

// What reading the file costs at best: its bytes into memory, nothing decoded.
void BM_ReadLargeBaseBytes(benchmark::State& state) {
    LargeBaseFile();  // built and saved before the timing starts
    std::size_t size = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> bytes = LargeBaseBytes();
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}
BENCHMARK(BM_ReadLargeBaseBytes)->Unit(benchmark::kMillisecond);

// The same bytes read again into one buffer kept from iteration to
// iteration: the copy alone, without the cost of fresh memory.
void BM_ReadLargeBaseBytesIntoWarmBuffer(benchmark::State& state) {
    std::vector<uint8_t> bytes(std::filesystem::file_size(LargeBaseFile()));
    for (auto _ : state) {
        if (!ReadLargeBaseInto(bytes)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadLargeBaseBytesIntoWarmBuffer)->Unit(benchmark::kMillisecond);

// Loads the large base once per iteration, then does `after` with it.
template <class After>
void LoadLargeBaseAnd(benchmark::State& state, After after) {
    const std::string& name = LargeBaseFile();
    TExpertSystem sys(&gSink);
    for (auto _ : state) {
        if (!sys.Load(name)) state.SkipWithError("load failed");
        after(sys);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(name)));
}

void BM_LoadLargeBase(benchmark::State& state) {
    LoadLargeBaseAnd(state, [](TExpertSystem&) {});
}
BENCHMARK(BM_LoadLargeBase)->Unit(benchmark::kMillisecond);

// A loaded base keeps its name keys unsorted until a name is first looked
// up, and its keys as arrays until the first edit: what those firsts cost on
// top of the load.
void BM_LoadLargeBaseThenFindNames(benchmark::State& state) {
    LoadLargeBaseAnd(state, [](TExpertSystem& sys) {
        benchmark::DoNotOptimize(sys.Vars().FindName(NameOf("VARI\xC1VEL ", 1)));
        benchmark::DoNotOptimize(sys.Values().FindName(NameOf("VALOR ", 2)));
        benchmark::DoNotOptimize(sys.Rules().FindName(NameOf("REGRA ", 3)));
        benchmark::DoNotOptimize(sys.Formulas().FindName("CNF1*4"));
    });
}
BENCHMARK(BM_LoadLargeBaseThenFindNames)->Unit(benchmark::kMillisecond);

void BM_LoadLargeBaseThenEdit(benchmark::State& state) {
    LoadLargeBaseAnd(state, [](TExpertSystem& sys) {
        const std::vector<TSingleIndexTree*> trees = {&sys.Vars(),  &sys.Values(),   &sys.Rules(),    &sys.Tails(),
                                                      &sys.Heads(), &sys.Formulas(), &sys.Questions()};
        for (TSingleIndexTree* tree : trees) {
            tree->Find(kLimit / 2);
            tree->DeleteCurrent();
        }
    });
}
BENCHMARK(BM_LoadLargeBaseThenEdit)->Unit(benchmark::kMillisecond);

// What writing the file costs at best: the same bytes, synced to disk as Save does.
void BM_WriteLargeBaseBytes(benchmark::State& state) {
    const std::vector<uint8_t> bytes = LargeBaseBytes();
    const std::string name = ScratchFile() + ".bytes";
    for (auto _ : state) {
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::size_t written = 0;
        while (fd >= 0 && written < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n <= 0) break;
            written += static_cast<std::size_t>(n);
        }
        if (fd < 0 || written != bytes.size() || ::fsync(fd) != 0) state.SkipWithError("write failed");
        if (fd >= 0) ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
    std::remove(name.c_str());
}
BENCHMARK(BM_WriteLargeBaseBytes)->Unit(benchmark::kMillisecond);

void BM_SaveLargeBase(benchmark::State& state) {
    TExpertSystem sys(&gSink);
    if (!sys.Load(LargeBaseFile())) state.SkipWithError("load failed");
    const std::string name = ScratchFile() + ".saved";
    for (auto _ : state) {
        if (!sys.Save(name)) state.SkipWithError(sys.LastSaveError().c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(name)));
    std::remove(name.c_str());
}
BENCHMARK(BM_SaveLargeBase)->Unit(benchmark::kMillisecond);

// Removes the shared file when the benchmarks end.
struct TRemoveLargeBase {
    ~TRemoveLargeBase() {
        if (gLargeBaseSaved) std::remove(LargeBaseFile().c_str());
    }
} gRemoveLargeBase;

}  // namespace
