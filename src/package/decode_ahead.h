// DecodeAhead: the files an install takes from a solid package, decoded
// ahead of the install worker on threads of their own (one per core, at most
// one per block needed, never more than four: each holds a dictionary of up
// to 64 MiB) into the private folder. Each block is decoded once, from start
// to its last wanted entry, as a stream; entries the worker does not take
// are passed over, and blocks holding none of them are never decoded.
//
// Bytes waiting on disk are bounded by kBacklogLimit (64 MiB): a decoder
// about to write an entry past it waits while the backlog will shrink
// without it (the worker has a decoded file to take before the first one it
// lacks, or that one is being decoded by another thread). Otherwise waiting
// could only stall the install, and it goes on: the backlog then exceeds
// the limit by the entry the worker lacks, or, with fewer threads than
// blocks, by what the running blocks hold before it. A file taken more than
// once stays until its last take, outside the count.
#pragma once

#include <stdint.h>

#include "base/stoppable_thread.h"
#include "base/sync.h"
#include "base/wstring.h"
#include "package/install_package.h"

class DecodeAhead {
public:
    static const uint64_t kBacklogLimit = 64ull << 20;
    static const int32_t kMaxDecoders = 4;
    enum Outcome { kReady, kFailed, kStopped, kNotPlanned };

    DecodeAhead() = default;
    ~DecodeAhead() { Stop(); }
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // order: the package's entry indexes in the order the worker will take
    // them (an entry may come more than once). False, with nothing started,
    // for a classic package or nothing to take: the worker then extracts
    // each entry itself.
    bool Start(const InstallPackage& package, const WString& folder, const int32_t* order, int32_t count);
    bool Active() const { return wanted_ != nullptr; }
    // Waits until entry is decoded; file receives its path. kStopped when
    // stop (the worker's) was signalled while waiting; kNotPlanned for an
    // entry not in the order given to Start.
    Outcome Take(int32_t entry, WString& file, const EventHandle* stop);
    // One take of entry is done: after its last, its file is deleted.
    void Release(int32_t entry);
    // Stops the decoders, waits for them, deletes every file they left, and
    // logs what was decoded against what was taken.
    void Stop();

private:
    struct Wanted;
    struct Decoder;
    static void DecoderMain(EventHandle* stop, void* argument);
    static bool SpanBegin(void* context, const EntrySpan& span);
    static bool SpanWrite(void* context, const uint8_t* data, uint32_t size);
    static bool SpanEnd(void* context, const EntrySpan& span, bool crcHolds);
    void DecodeBlocks(Decoder& decoder);
    bool MustWait(int32_t rank, int32_t decoder) const;
    void Finish(int32_t rank, bool sound);
    void FileName(int32_t rank, WString& name) const;
    void SignalAll();

    const InstallPackage* package_ = nullptr;
    WString folder_;
    Wanted* wanted_ = nullptr;       // one per entry taken, in the order first taken
    int32_t wantedCount_ = 0;
    int32_t* rankOf_ = nullptr;      // entry index to its place in wanted_, or -1
    uint32_t* blocks_ = nullptr;     // the blocks to decode, in the order first needed
    uint32_t blockCount_ = 0;
    uint32_t nextBlock_ = 0;
    int32_t firstOpen_ = 0;          // the first wanted entry neither decoded nor failed
    uint64_t backlog_ = 0, mostBacklog_ = 0, decoded_ = 0, taken_ = 0;
    volatile LONG stopping_ = 0;
    MutexHandle lock_;
    Decoder* decoders_ = nullptr;
    int32_t decoderCount_ = 0;
    EventHandle workerWake_;
};
