#include "pack_jobs.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// The encoders' memory at once: a level-9 encoder of a large file takes some
// 700 MB, and a 32-bit builder has 2 to 4 GB of address space.
const uint64_t kMemoryBudget = sizeof(void*) == 4 ? 1536ull << 20 : 6144ull << 20;

struct Slot {
    PackedEntry entry;
    std::string error;
    bool finished = false;
    bool ok = false;
};

class Jobs {
public:
    Jobs(const std::vector<PackInput>& inputs, const PackSettings& settings)
        : inputs_(inputs), settings_(settings), slots_(inputs.size()) {
        // The largest first: one started last would leave the other
        // threads idle while it alone runs. An input that cannot be opened
        // counts as empty; its worker reports why.
        std::vector<uint64_t> sizes(inputs.size(), 0);
        for (size_t i = 0; i < inputs.size(); i++) {
            InputFile file;
            std::string ignored;
            if (!file.Open(inputs[i].path, sizes[i], ignored)) sizes[i] = 0;
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
        const PackInput& input = inputs_[i];
        Slot& slot = slots_[i];
        PackedEntry entry;
        entry.name = input.name;
        entry.unpackedSize = 0;
        std::string error;
        InputFile file;
        uint64_t size = 0;
        bool ok = file.Open(input.path, size, error);
        if (ok) {
            uint64_t need = EncoderMemory(settings_, size);
            Reserve(need);
            ok = CompressFile(file, size, settings_, entry.packed, entry.unpackedSize, error);
            Release(need);
            if (!ok) error = "'" + Utf8(input.path) + "': " + error;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        slot.entry = std::move(entry);
        slot.error = "entry '" + input.name + "': " + error;
        slot.ok = ok;
        slot.finished = true;
        changed_.notify_all();
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

bool CompressAll(const std::vector<PackInput>& inputs, const PackSettings& settings, const EntryDone& done,
                 std::vector<PackedEntry>& out, std::string& error) {
    out.clear();
    size_t threads = settings.threads ? settings.threads : std::thread::hardware_concurrency();
    if (threads == 0) threads = 1;
    if (threads > inputs.size()) threads = inputs.size();
    Jobs jobs(inputs, settings);
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; t++) workers.emplace_back([&jobs] { jobs.Work(); });
    bool ok = true;
    for (size_t i = 0; i < inputs.size() && ok; i++) {
        Slot* slot = nullptr;
        ok = jobs.Await(i, slot);
        if (ok) {
            out.push_back(std::move(slot->entry));
            done(out.back());
        } else {
            error = slot->error;
        }
    }
    for (std::thread& worker : workers) worker.join();
    return ok;
}
