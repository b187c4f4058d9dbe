#include "package/decode_ahead.h"

#include <windows.h>

#include "base/folders.h"
#include "base/run_log.h"

namespace {

// kHeld: taken once with more takes to come; its file stays, no longer
// counted in the backlog (the worker may not free it for a long time).
enum State : uint8_t { kPending, kWriting, kOnDisk, kHeld, kBroken, kGone };

// Where a file was decoded: the name tried first in its folder, one of the
// others, or the private folder. Names are made again from it, not kept.
const uint8_t kNamesTried = 4, kInPrivateFolder = kNamesTried;

#ifdef BRASK_TEST_SEAMS
// The test build's decoders fail as BRASK_TEST_DECODERS says: "nowrite", no
// file can be written; "nothread", no decoder thread starts.
bool SeamFails(const wchar_t* how) {
    wchar_t value[16];
    DWORD n = GetEnvironmentVariableW(L"BRASK_TEST_DECODERS", value, 16);
    return n > 0 && n < 16 && lstrcmpW(value, how) == 0;
}
#else
inline bool SeamFails(const wchar_t*) { return false; }
#endif

}  // namespace

struct DecodeAhead::Wanted {
    int32_t entry;
    uint32_t block;
    uint32_t offset;
    uint32_t size;
    int32_t uses;    // takes still to come
    int32_t folder;  // in folders_
    uint8_t state;
    uint8_t place;   // where its file is, once begun
};

struct DecodeAhead::Decoder {
    DecodeAhead* owner;
    int32_t index;
    int64_t block;  // being decoded, -1 when none
    StoppableThread thread;
    EventHandle wake;
    bool waiting;   // on wake, for the backlog to shrink
    DiskFile out;
    int32_t rank;   // of the entry being written
    bool writeFailed;
    bool opened;    // OpenFile said why when it could not
};

bool DecodeAhead::Start(const InstallPackage& package, const WString& privateFolder, const int32_t* order,
                        const PtrList& folders) {
    int32_t count = folders.Count();
    if (!package.IsSolid() || count == 0) return false;
    package_ = &package;
    privateFolder_ = privateFolder;
    int32_t entries = package.EntryCount();
    rankOf_ = new int32_t[entries > 0 ? entries : 1];
    for (int32_t i = 0; i < entries; i++) rankOf_[i] = -1;
    wanted_ = new Wanted[count];
    blocks_ = new uint32_t[package.BlockCount() + 1];
    StringIndex folderIndex;
    bool* blockListed = new bool[package.BlockCount() + 1]();
    for (int32_t i = 0; i < count; i++) {
        int32_t entry = order[i];
        if (entry < 0 || entry >= entries) continue;
        if (rankOf_[entry] >= 0) {
            wanted_[rankOf_[entry]].uses++;
            continue;
        }
        const PackageEntry& e = package.Entry(entry);
        const wchar_t* folderName = (const wchar_t*)folders.At(i);
        int32_t folder = folderIndex.Find(folderName);
        if (folder < 0) {
            folder = folders_.Count();
            folderIndex.Add(folderName, folder);
            folders_.AddString(folderName);
        }
        rankOf_[entry] = wantedCount_;
        wanted_[wantedCount_++] = Wanted{entry, e.block, e.offset, e.unpackedSize, 1, folder, kPending, 0};
        if (e.block < package.BlockCount() && !blockListed[e.block]) {
            blockListed[e.block] = true;
            blocks_[blockCount_++] = e.block;
        }
    }
    delete[] blockListed;
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
        d.waiting = false;
        d.rank = -1;
        d.writeFailed = false;
        d.opened = false;
        d.wake.Create(nullptr);
    }
    // Started only once every decoder is set up: they look at each other.
    // Those that start share all the blocks between them.
    {
        SectionLock lock(lock_);
        for (int32_t i = 0; i < decoderCount_; i++)
            if (!SeamFails(L"nothread") && decoders_[i].thread.Start(DecoderMain, &decoders_[i], 60000)) running_++;
    }
    RunLog("decoding ahead: %d files from %u blocks on %d threads", wantedCount_, blockCount_, running_);
    if (running_ > 0) return true;
    Stop();
    return false;
}

// Under the lock: wakes the worker, and the decoders too when all.
void DecodeAhead::WakeWaiters(bool all) {
    if (workerWaiting_) workerWake_.Set();
    for (int32_t i = 0; all && i < decoderCount_; i++)
        if (decoders_[i].waiting) decoders_[i].wake.Set();
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
    WakeWaiters(true);
}

// Makes folder, once per install whatever the number of files going there;
// the folders made are remembered, so that a stopped install can take
// back those it left empty.
bool DecodeAhead::MakeFolder(const WString& folder) {
    {
        SectionLock lock(lock_);
        if (knownFolders_.Contains(folder)) return true;
    }
    StringList made;
    bool exists = CreateFolderTree(folder, &made);
    for (int32_t i = 0; made_ && i < made.Count(); i++) made_(made[i], true);
    SectionLock lock(lock_);
    madeFolders_.AddAll(made);
    if (exists) knownFolders_.Add(folder, 0);
    return exists;
}

WString DecodeAhead::FileName(int32_t rank) const {
    const Wanted& w = wanted_[rank];
    if (w.place == kInPrivateFolder) return WString::Formatted(L"%sBlk%d.tmp", (const wchar_t*)privateFolder_, w.entry);
    return WString::Formatted(w.place ? L"%s~BK%d-%d.tmp" : L"%s~BK%d.tmp", (const wchar_t*)folders_[w.folder], w.entry,
                              (int)w.place);
}

// Outside the lock (the entry is this decoder's while it writes): the file
// in its destination's folder, or else in the private folder.
bool DecodeAhead::OpenFile(Decoder& d, int32_t rank) {
    Wanted& w = wanted_[rank];
    if (SeamFails(L"nowrite")) {
        RunLog("decoding ahead: cannot write '%s'", (const wchar_t*)FileName(rank));
        return false;
    }
    if (MakeFolder(folders_[w.folder])) {
        // A name no file has: a product's own file of that name stays.
        for (w.place = 0; w.place < kNamesTried; w.place++) {
            d.out.SetPath(FileName(rank));
            d.out.Open(GENERIC_WRITE, CREATE_NEW, false);
            if (!d.out.IsOpen()) continue;
            if (made_) made_(d.out.Path(), false);
            return true;
        }
    }
    w.place = kInPrivateFolder;
    d.out.SetPath(FileName(rank));
    d.out.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (d.out.IsOpen()) return true;
    RunLog("decoding ahead: cannot write '%s'", (const wchar_t*)FileName(rank));
    return false;
}

bool DecodeAhead::SpanBegin(void* context, const EntrySpan& span) {
    Decoder& d = *static_cast<Decoder*>(context);
    DecodeAhead& self = *d.owner;
    int32_t rank = (int32_t)span.index;
    {
        SectionLock lock(self.lock_);
        while (self.MustWait(rank, d.index)) {
            d.wake.Reset();
            d.waiting = true;
            self.lock_.Unlock();
            WaitForSingleObject(d.wake.Handle(), INFINITE);
            self.lock_.Lock();
            d.waiting = false;
        }
        if (self.stopping_) return false;
        self.wanted_[rank].state = kWriting;
        // Counted from now: two decoders that begin together must not both
        // pass the limit with what they are about to write.
        self.backlog_ += self.wanted_[rank].size;
        if (self.backlog_ > self.mostBacklog_) self.mostBacklog_ = self.backlog_;
        d.rank = rank;
    }
    d.opened = self.OpenFile(d, rank);
    d.writeFailed = !d.opened;
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
        WString name = self.FileName(d.rank);
        DeleteFileW(LongPath(name, 260));
        if (!crcHolds)
            RunLog("decoding ahead: '%s' does not match its CRC-32 (block damaged)", (const wchar_t*)name);
        else if (d.opened)
            RunLog("decoding ahead: cannot write '%s'", (const wchar_t*)name);
    }
    SectionLock lock(self.lock_);
    self.Finish((int32_t)span.index, sound);
    d.rank = -1;
    return !self.stopping_;
}

void DecodeAhead::DecoderMain(EventHandle*, void* argument) {
    Decoder& d = *static_cast<Decoder*>(argument);
    DecodeAhead& self = *d.owner;
    self.DecodeBlocks(d);
    // The worker never waits for an entry no decoder is left to write.
    SectionLock lock(self.lock_);
    self.running_--;
    self.WakeWaiters(false);
}

void DecodeAhead::DecodeBlocks(Decoder& d) {
    for (;;) {
        uint32_t block;
        {
            SectionLock lock(lock_);
            if (stopping_ || nextBlock_ >= blockCount_) return;
            block = blocks_[nextBlock_++];
            d.block = block;
        }
        // The block's wanted entries, in the order the decoder meets them
        // (ranks follow the package's order, and so its offsets, but need
        // not).
        int32_t count = 0;
        for (int32_t r = 0; r < wantedCount_; r++) count += wanted_[r].block == block;
        EntrySpan* spans = new EntrySpan[count];
        int32_t n = 0;
        for (int32_t r = 0; r < wantedCount_; r++)
            if (wanted_[r].block == block)
                spans[n++] = EntrySpan{block, wanted_[r].offset, wanted_[r].size, package_->Entry(wanted_[r].entry).checksum,
                                       (uint32_t)r};
        SortSpans(spans, (uint32_t)n);
        // The stop flag is looked at for every chunk, also while the decoder
        // passes over bytes no install takes.
        SpanSink sink = {SpanBegin, SpanWrite, SpanEnd, &d, &stopping_};
        BlockResult result = package_->DecodeSpans(block, spans, (uint32_t)n, sink);
        if (result != kBlockDecoded) RunLog("decoding ahead: block %u ended early (%d)", block, (int)result);
        // What a stop or a damaged stream left: the entry being written goes,
        // and every entry of the block not decoded fails.
        if (d.rank >= 0) {
            d.out.Close();
            DeleteFileW(LongPath(FileName(d.rank), 260));
        }
        SectionLock lock(lock_);
        d.rank = -1;
        for (int32_t i = 0; i < n; i++)
            if (wanted_[spans[i].index].state < kOnDisk) Finish((int32_t)spans[i].index, false);
        if (result == kBlockDecoded && n > 0) decoded_ += spans[n - 1].offset + spans[n - 1].size;
        d.block = -1;
        WakeWaiters(true);
        delete[] spans;
    }
}

DecodeAhead::Outcome DecodeAhead::Take(int32_t entry, WString& file, bool& last, const EventHandle* stop) {
    if (!Active() || entry < 0 || entry >= package_->EntryCount() || rankOf_[entry] < 0) return kNotPlanned;
    int32_t rank = rankOf_[entry];
    SectionLock lock(lock_);
    for (;;) {
        Wanted& w = wanted_[rank];
        if (w.state == kOnDisk || w.state == kHeld) {
            file = FileName(rank);
            last = w.uses <= 1;
            taken_ += w.size;
            if (w.state == kOnDisk && w.uses > 1) {
                w.state = kHeld;
                backlog_ -= w.size;
                WakeWaiters(true);
            }
            return kReady;
        }
        if (w.state == kBroken || w.state == kGone || running_ == 0) return kFailed;
        workerWake_.Reset();
        workerWaiting_ = true;
        lock_.Unlock();
        HANDLE handles[2] = {workerWake_.Handle(), stop ? stop->Handle() : nullptr};
        DWORD woke = WaitForMultipleObjects(stop ? 2 : 1, handles, FALSE, INFINITE);
        lock_.Lock();
        workerWaiting_ = false;
        if (woke == WAIT_OBJECT_0 + 1) return kStopped;
    }
}

void DecodeAhead::Release(int32_t entry, bool moved) {
    if (!Active() || entry < 0 || entry >= package_->EntryCount() || rankOf_[entry] < 0) return;
    Wanted& w = wanted_[rankOf_[entry]];
    WString name;
    {
        SectionLock lock(lock_);
        if ((w.state != kOnDisk && w.state != kHeld) || --w.uses > 0) return;
        if (w.state == kOnDisk) backlog_ -= w.size;
        w.state = kGone;
        name = FileName(rankOf_[entry]);
        WakeWaiters(true);
    }
    if (!moved) DeleteFileW(LongPath(name, 260));
}

void DecodeAhead::Stop() {
    if (!Active()) return;
    InterlockedExchange(&stopping_, 1);
    {
        SectionLock lock(lock_);
        workerWake_.Set();
        for (int32_t i = 0; i < decoderCount_; i++) decoders_[i].wake.Set();
    }
    // Every decoder sees the flag at its next chunk, so the first wait is
    // the longest.
    for (int32_t i = 0; i < decoderCount_; i++) decoders_[i].thread.Close();
    for (int32_t r = 0; r < wantedCount_; r++) {
        uint8_t state = wanted_[r].state;
        if (state == kOnDisk || state == kHeld || state == kWriting) DeleteFileW(LongPath(FileName(r), 260));
    }
    // Deepest first: a folder made for files that never came goes; one
    // that holds anything, installed files above all, stays.
    for (int32_t i = madeFolders_.Count() - 1; i >= 0; i--) RemoveDirectoryW(madeFolders_[i]);
    RunLog("decoding ahead: %I64u bytes decoded for %I64u bytes taken; at most %I64u bytes waited on disk", decoded_,
           taken_, mostBacklog_);
    delete[] decoders_;
    delete[] wanted_;
    delete[] rankOf_;
    delete[] blocks_;
    decoders_ = nullptr;
    wanted_ = nullptr;
    rankOf_ = nullptr;
    blocks_ = nullptr;
    folders_.DeleteAll();
    knownFolders_.Clear();
    madeFolders_.DeleteAll();
    decoderCount_ = wantedCount_ = running_ = 0;
    blockCount_ = nextBlock_ = 0;
    firstOpen_ = 0;
    backlog_ = mostBacklog_ = decoded_ = taken_ = 0;
    workerWaiting_ = false;
    stopping_ = 0;
}
