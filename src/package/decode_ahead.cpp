#include "package/decode_ahead.h"

#include <windows.h>

#include "base/run_log.h"

namespace {

// kHeld: taken once with more takes to come; its file stays, no longer
// counted in the backlog (the worker may not free it for a long time).
enum State : uint8_t { kPending, kWriting, kOnDisk, kHeld, kBroken, kGone };

}  // namespace

struct DecodeAhead::Wanted {
    int32_t entry;
    uint32_t block;
    uint32_t offset;
    uint32_t size;
    int32_t uses;  // takes still to come
    uint8_t state;
};

struct DecodeAhead::Decoder {
    DecodeAhead* owner;
    int32_t index;
    int64_t block;  // being decoded, -1 when none
    StoppableThread thread;
    EventHandle wake;
    EventHandle* stop;
    DiskFile out;
    int32_t rank;   // of the entry being written
    bool writeFailed;
};

bool DecodeAhead::Start(const InstallPackage& package, const WString& folder, const int32_t* order, int32_t count) {
    if (!package.IsSolid() || count == 0) return false;
    package_ = &package;
    folder_ = folder;
    int32_t entries = package.EntryCount();
    rankOf_ = new int32_t[entries > 0 ? entries : 1];
    for (int32_t i = 0; i < entries; i++) rankOf_[i] = -1;
    wanted_ = new Wanted[count];
    blocks_ = new uint32_t[package.BlockCount() + 1];
    for (int32_t i = 0; i < count; i++) {
        int32_t entry = order[i];
        if (entry < 0 || entry >= entries) continue;
        if (rankOf_[entry] >= 0) {
            wanted_[rankOf_[entry]].uses++;
            continue;
        }
        const PackageEntry& e = package.Entry(entry);
        rankOf_[entry] = wantedCount_;
        wanted_[wantedCount_++] = Wanted{entry, e.block, e.offset, e.unpackedSize, 1, kPending};
        bool listed = false;
        for (uint32_t b = 0; b < blockCount_ && !listed; b++) listed = blocks_[b] == e.block;
        if (!listed) blocks_[blockCount_++] = e.block;
    }
    lock_.Create();
    workerWake_.Create(nullptr);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    decoderCount_ = (int32_t)system.dwNumberOfProcessors;
    if (decoderCount_ > kMaxDecoders) decoderCount_ = kMaxDecoders;
    if (decoderCount_ > (int32_t)blockCount_) decoderCount_ = (int32_t)blockCount_;
    if (decoderCount_ < 1) decoderCount_ = 1;
    decoders_ = new Decoder[decoderCount_];
    for (int32_t i = 0; i < decoderCount_; i++) {
        Decoder& d = decoders_[i];
        d.owner = this;
        d.index = i;
        d.block = -1;
        d.stop = nullptr;
        d.rank = -1;
        d.writeFailed = false;
        d.wake.Create(nullptr);
    }
    // Started only once every decoder is set up: they look at each other.
    for (int32_t i = 0; i < decoderCount_; i++) decoders_[i].thread.Start(DecoderMain, &decoders_[i], 60000);
    RunLog(L"decoding ahead: %d files from %u blocks on %d threads", wantedCount_, blockCount_, decoderCount_);
    return true;
}

void DecodeAhead::SignalAll() {
    workerWake_.Set();
    for (int32_t i = 0; i < decoderCount_; i++) decoders_[i].wake.Set();
}

void DecodeAhead::FileName(int32_t rank, WString& name) const {
    name.Format(L"%sBlk%d.tmp", (const wchar_t*)folder_, wanted_[rank].entry);
}

// Under the lock: whether the decoder must hold back the entry of rank.
// Waiting is safe only while the backlog will shrink without it: the worker
// still has a decoded file to take before the first one it lacks, or that
// one is on its way in another decoder.
bool DecodeAhead::MustWait(int32_t rank, int32_t decoder) const {
    if (stopping_ || backlog_ + wanted_[rank].size <= kBacklogLimit) return false;
    int32_t live = 0;
    while (live < wantedCount_ && wanted_[live].state >= kHeld) live++;
    if (live < firstOpen_) return true;
    if (rank == firstOpen_ || firstOpen_ >= wantedCount_) return false;
    for (int32_t i = 0; i < decoderCount_; i++)
        if (i != decoder && decoders_[i].block == (int64_t)wanted_[firstOpen_].block) return true;
    return false;
}

// Under the lock: the entry of rank is decoded (sound) or failed.
void DecodeAhead::Finish(int32_t rank, bool sound) {
    Wanted& w = wanted_[rank];
    // Counted in the backlog since it began (SpanBegin).
    if (!sound && w.state == kWriting) backlog_ -= w.size;
    w.state = sound ? kOnDisk : kBroken;
    while (firstOpen_ < wantedCount_ && wanted_[firstOpen_].state >= kOnDisk) firstOpen_++;
    SignalAll();
}

bool DecodeAhead::SpanBegin(void* context, const EntrySpan& span) {
    Decoder& d = *static_cast<Decoder*>(context);
    DecodeAhead& self = *d.owner;
    int32_t rank = (int32_t)span.index;
    MutexLock lock(self.lock_);
    while (self.MustWait(rank, d.index) && !d.stop->IsSignalled()) {
        d.wake.Reset();
        self.lock_.Unlock();
        HANDLE handles[2] = {d.wake.Handle(), d.stop->Handle()};
        WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        self.lock_.Lock();
    }
    if (self.stopping_ || d.stop->IsSignalled()) return false;
    self.wanted_[rank].state = kWriting;
    // Counted from now: two decoders that begin together must not both
    // pass the limit with what they are about to write.
    self.backlog_ += self.wanted_[rank].size;
    if (self.backlog_ > self.mostBacklog_) self.mostBacklog_ = self.backlog_;
    d.rank = rank;
    WString name;
    self.FileName(rank, name);
    d.out.SetPath(name);
    d.out.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    d.writeFailed = !d.out.IsOpen();
    return true;
}

bool DecodeAhead::SpanWrite(void* context, const uint8_t* data, uint32_t size) {
    Decoder& d = *static_cast<Decoder*>(context);
    if (d.owner->stopping_) return false;
    if (!d.writeFailed && !d.out.Write(data, size)) d.writeFailed = true;
    return true;
}

bool DecodeAhead::SpanEnd(void* context, const EntrySpan& span, bool crcHolds) {
    Decoder& d = *static_cast<Decoder*>(context);
    DecodeAhead& self = *d.owner;
    d.out.Close();
    bool sound = crcHolds && !d.writeFailed;
    if (!sound) {
        WString name;
        self.FileName(d.rank, name);
        DeleteFileW(name);
        RunLog(crcHolds ? L"decoding ahead: cannot write '%s'"
                        : L"decoding ahead: '%s' does not match its CRC-32 (block damaged)",
               (const wchar_t*)name);
    }
    MutexLock lock(self.lock_);
    self.Finish((int32_t)span.index, sound);
    d.rank = -1;
    return !self.stopping_;
}

void DecodeAhead::DecoderMain(EventHandle* stop, void* argument) {
    Decoder& d = *static_cast<Decoder*>(argument);
    d.stop = stop;
    d.owner->DecodeBlocks(d);
}

void DecodeAhead::DecodeBlocks(Decoder& d) {
    for (;;) {
        uint32_t block;
        {
            MutexLock lock(lock_);
            if (stopping_ || d.stop->IsSignalled() || nextBlock_ >= blockCount_) return;
            block = blocks_[nextBlock_++];
            d.block = block;
        }
        // The block's wanted entries, by offset (ranks follow the package's
        // order, and so its offsets, but need not).
        int32_t count = 0;
        for (int32_t r = 0; r < wantedCount_; r++) count += wanted_[r].block == block;
        EntrySpan* spans = new EntrySpan[count];
        int32_t n = 0;
        for (int32_t r = 0; r < wantedCount_; r++)
            if (wanted_[r].block == block)
                spans[n++] = EntrySpan{block, wanted_[r].offset, wanted_[r].size, package_->Entry(wanted_[r].entry).checksum,
                                       (uint32_t)r};
        for (int32_t i = 1; i < n; i++)
            for (int32_t j = i; j > 0 && spans[j].offset < spans[j - 1].offset; j--) {
                EntrySpan t = spans[j];
                spans[j] = spans[j - 1];
                spans[j - 1] = t;
            }
        SpanSink sink = {SpanBegin, SpanWrite, SpanEnd, &d};
        BlockResult result = package_->DecodeSpans(block, spans, (uint32_t)n, sink);
        if (result != kBlockDecoded) RunLog(L"decoding ahead: block %u ended early (%d)", block, (int)result);
        MutexLock lock(lock_);
        // What a stop or a damaged stream left: the entry being written goes,
        // and every entry of the block not decoded fails.
        if (d.rank >= 0) {
            d.out.Close();
            WString name;
            FileName(d.rank, name);
            DeleteFileW(name);
            d.rank = -1;
        }
        for (int32_t i = 0; i < n; i++)
            if (wanted_[spans[i].index].state < kOnDisk) Finish((int32_t)spans[i].index, false);
        if (result == kBlockDecoded && n > 0) decoded_ += spans[n - 1].offset + spans[n - 1].size;
        d.block = -1;
        SignalAll();
        delete[] spans;
    }
}

DecodeAhead::Outcome DecodeAhead::Take(int32_t entry, WString& file, const EventHandle* stop) {
    if (!Active() || entry < 0 || entry >= package_->EntryCount() || rankOf_[entry] < 0) return kNotPlanned;
    int32_t rank = rankOf_[entry];
    MutexLock lock(lock_);
    for (;;) {
        Wanted& w = wanted_[rank];
        if (w.state == kOnDisk || w.state == kHeld) {
            FileName(rank, file);
            taken_ += w.size;
            if (w.state == kOnDisk && w.uses > 1) {
                w.state = kHeld;
                backlog_ -= w.size;
                SignalAll();
            }
            return kReady;
        }
        uint8_t state = w.state;
        if (state == kBroken || state == kGone) return kFailed;
        workerWake_.Reset();
        lock_.Unlock();
        HANDLE handles[2] = {workerWake_.Handle(), stop ? stop->Handle() : nullptr};
        DWORD woke = WaitForMultipleObjects(stop ? 2 : 1, handles, FALSE, INFINITE);
        lock_.Lock();
        if (woke == WAIT_OBJECT_0 + 1) return kStopped;
    }
}

void DecodeAhead::Release(int32_t entry) {
    if (!Active() || entry < 0 || entry >= package_->EntryCount() || rankOf_[entry] < 0) return;
    Wanted& w = wanted_[rankOf_[entry]];
    MutexLock lock(lock_);
    if ((w.state != kOnDisk && w.state != kHeld) || --w.uses > 0) return;
    WString name;
    FileName(rankOf_[entry], name);
    DeleteFileW(name);
    if (w.state == kOnDisk) backlog_ -= w.size;
    w.state = kGone;
    SignalAll();
}

void DecodeAhead::Stop() {
    if (!Active()) return;
    InterlockedExchange(&stopping_, 1);
    {
        MutexLock lock(lock_);
        SignalAll();
    }
    for (int32_t i = 0; i < decoderCount_; i++) decoders_[i].thread.Close();
    for (int32_t r = 0; r < wantedCount_; r++) {
        if (wanted_[r].state != kOnDisk && wanted_[r].state != kHeld) continue;
        WString name;
        FileName(r, name);
        DeleteFileW(name);
    }
    RunLog(L"decoding ahead: %I64u bytes decoded for %I64u bytes taken; at most %I64u bytes waited on disk", decoded_,
           taken_, mostBacklog_);
    delete[] decoders_;
    delete[] wanted_;
    delete[] rankOf_;
    delete[] blocks_;
    decoders_ = nullptr;
    wanted_ = nullptr;
    rankOf_ = nullptr;
    blocks_ = nullptr;
    decoderCount_ = wantedCount_ = 0;
    blockCount_ = nextBlock_ = 0;
    firstOpen_ = 0;
    backlog_ = mostBacklog_ = decoded_ = taken_ = 0;
    stopping_ = 0;
}
