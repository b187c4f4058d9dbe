#include "pack_jobs.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "package/package_format.h"
#include "split_sample.h"

namespace {

// The encoders' memory at once: a level-9 encoder of a large file takes some
// 700 MB, and a 32-bit builder has 2 to 4 GB of address space.
const uint64_t kMemoryBudget = sizeof(void*) == 4 ? 1536ull << 20 : 6144ull << 20;
// Smaller units are coded without a sample first: the sample would cost
// as much as the coding.
const uint64_t kSampleFrom = 1u << 20;

struct Slot {
    PackedUnit unit;
    std::string error;
    bool finished = false;
    bool ok = false;
};

class Jobs {
public:
    Jobs(const std::vector<PackInput>& inputs, const std::vector<std::vector<size_t>>& units,
         const PackSettings& settings)
        : inputs_(inputs), units_(units), settings_(settings), slots_(units.size()) {
        // The largest first: one started last would leave the other
        // threads idle while it alone runs. An input that cannot be opened
        // counts as empty; its worker reports why.
        std::vector<uint64_t> sizes(units.size(), 0);
        for (size_t i = 0; i < units.size(); i++) {
            for (size_t input : units[i]) {
                InputFile file;
                std::string ignored;
                uint64_t size = 0;
                if (file.Open(inputs[input].path, size, ignored)) sizes[i] += size;
            }
            order_.push_back(i);
        }
        std::stable_sort(order_.begin(), order_.end(), [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
    }

    void Work() {
        for (;;) {
            size_t i;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (next_ >= order_.size() || stopped_) return;
                i = order_[next_++];
            }
            Compress(i);
        }
    }

    // Waits for entry i; false when it failed, which stops the others.
    bool Await(size_t i, Slot*& slot) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return slots_[i].finished; });
        slot = &slots_[i];
        if (!slot->ok) stopped_ = true;
        return slot->ok;
    }

private:
    void Compress(size_t i) {
        const std::vector<size_t>& members = units_[i];
        Slot& slot = slots_[i];
        PackedUnit unit;
        std::string error, readError, failedName;
        // Sizes as planned, for the dictionary and the memory budget.
        uint64_t hint = 0;
        std::vector<uint64_t> sizes(members.size());
        for (size_t k = 0; k < members.size(); k++) {
            InputFile probe;
            std::string ignored;
            if (probe.Open(inputs_[members[k]].path, sizes[k], ignored)) hint += sizes[k];
        }
        // The inputs one after another as one stream, each one's size and
        // CRC-32 taken on the way.
        std::unique_ptr<InputFile> file;
        size_t member = 0;
        bool ok = true;
        ChunkReader read = [&](uint8_t* buffer, size_t size) -> int64_t {
            while (member < members.size()) {
                const PackInput& input = inputs_[members[member]];
                if (!file) {
                    uint64_t ignored = 0;
                    file.reset(new InputFile());
                    if (!file->Open(input.path, ignored, readError)) {
                        failedName = input.name;
                        ok = false;
                        return -1;
                    }
                    unit.sizes.push_back(0);
                    unit.crcs.push_back(0);
                }
                int64_t got = file->Read(buffer, size);
                if (got < 0) {
                    failedName = input.name;
                    readError = "'" + Utf8(input.path) + "': cannot read it";
                    ok = false;
                    return -1;
                }
                if (got > 0) {
                    unit.sizes.back() += (uint32_t)got;
                    unit.crcs.back() = package_format::Crc32(unit.crcs.back(), buffer, (uint32_t)got);
                    return got;
                }
                file.reset();
                member++;
            }
            return 0;
        };
        bool solid = !settings_.classic, compressed;
        if (solid && hint >= kSampleFrom && Incompressible(members, sizes)) {
            compressed = unit.stored = StoreChunks(read, hint, unit.packed, unit.unpackedSize, error);
        } else {
            uint64_t need = EncoderMemory(settings_, hint);
            Reserve(need);
            compressed = CompressChunks(read, hint, settings_, unit.packed, unit.unpackedSize, error);
            Release(need);
            if (compressed && solid && unit.unpackedSize > 0 && unit.packed.size() >= unit.unpackedSize) {
                member = 0;
                unit.sizes.clear();
                unit.crcs.clear();
                compressed = unit.stored = StoreChunks(read, hint, unit.packed, unit.unpackedSize, error);
            }
        }
        if (!ok) error = readError;
        if (!compressed && ok) {
            // The stream as a whole: name its first entry (the only one of
            // a classic package's).
            failedName = inputs_[members.empty() ? 0 : members[0]].name;
            if (members.size() == 1) error = "'" + Utf8(inputs_[members[0]].path) + "': " + error;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        slot.unit = std::move(unit);
        slot.error = "entry '" + failedName + "': " + error;
        slot.ok = compressed;
        slot.finished = true;
        changed_.notify_all();
    }

    bool Incompressible(const std::vector<size_t>& members, const std::vector<uint64_t>& memberSizes) {
        std::vector<uint64_t> sizes(inputs_.size(), 0);
        for (size_t k = 0; k < members.size(); k++) sizes[members[k]] = memberSizes[k];
        return LooksIncompressible(inputs_, sizes, members);
    }

    void Reserve(uint64_t need) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return inUse_ == 0 || inUse_ + need <= kMemoryBudget; });
        inUse_ += need;
    }

    void Release(uint64_t need) {
        std::lock_guard<std::mutex> lock(mutex_);
        inUse_ -= need;
        changed_.notify_all();
    }

    const std::vector<PackInput>& inputs_;
    const std::vector<std::vector<size_t>>& units_;
    const PackSettings& settings_;
    std::vector<Slot> slots_;
    std::vector<size_t> order_;  // of compression; the output keeps the package's
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t next_ = 0;
    uint64_t inUse_ = 0;
    bool stopped_ = false;
};

}  // namespace

bool CompressUnits(const std::vector<PackInput>& inputs, const std::vector<std::vector<size_t>>& units,
                   const PackSettings& settings, const UnitDone& done, std::vector<PackedUnit>& out,
                   std::string& error) {
    out.clear();
    size_t threads = settings.threads ? settings.threads : std::thread::hardware_concurrency();
    if (threads == 0) threads = 1;
    if (threads > units.size()) threads = units.size();
    Jobs jobs(inputs, units, settings);
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; t++) workers.emplace_back([&jobs] { jobs.Work(); });
    bool ok = true;
    for (size_t i = 0; i < units.size() && ok; i++) {
        Slot* slot = nullptr;
        ok = jobs.Await(i, slot);
        if (ok) {
            out.push_back(std::move(slot->unit));
            done(i, out.back());
        } else {
            error = slot->error;
        }
    }
    for (std::thread& worker : workers) worker.join();
    return ok;
}
