// DecodeAhead: the files an install takes from a solid package, decoded
// ahead of the install worker on threads of their own (one per core, at most
// one per block needed, never more than four: each holds a dictionary of up
// to 64 MiB). Each block is decoded once, from start to its last wanted
// entry, as a stream; entries the worker does not take are passed over, and
// blocks holding none of them are never decoded.
//
// Each file is decoded under a temporary name into the folder of its first
// destination (made when missing), so that the worker puts it in place
// with a rename and its bytes are written once; where that folder cannot
// take it, into the private folder. A file no decoder could write is left
// to the worker to extract alone.
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

#include "base/lists.h"
#include "base/stoppable_thread.h"
#include "base/string_index.h"
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
    // them (an entry may come more than once); folders: for each take, the
    // folder its file goes to (a wchar_t string), with a trailing backslash. False, with
    // nothing started, for a classic package, nothing to take, or no
    // decoder that could start: the worker then extracts each entry itself.
    bool Start(const InstallPackage& package, const WString& privateFolder, const int32_t* order,
               const PtrList& folders);
    bool Active() const { return wanted_ != nullptr; }
    // Told of each folder and file the decoders make in the destinations
    // (a journal of the install keeps them), from the decoders' threads.
    typedef void (*MadeHook)(const wchar_t* path, bool folder);
    void TellMade(MadeHook hook) { made_ = hook; }
    // Waits until entry is decoded; file receives its path, last whether
    // this is its last take. kFailed when no decoder could write it (the
    // worker extracts it alone); kStopped when stop (the worker's) was
    // signalled while waiting; kNotPlanned for an entry not in the order
    // given to Start.
    Outcome Take(int32_t entry, WString& file, bool& last, const EventHandle* stop);
    // One take of entry is done: after its last, its file is deleted unless
    // the worker moved it away.
    void Release(int32_t entry, bool moved);
    // Stops the decoders, waits for them, deletes every file they left and
    // the folders they made that stayed empty, and logs what was decoded
    // against what was taken.
    void Stop();

private:
    struct Wanted;
    struct Decoder;
    static void DecoderMain(EventHandle* stop, void* argument);
    static bool SpanBegin(void* context, const EntrySpan& span);
    static bool SpanWrite(void* context, const uint8_t* data, uint32_t size);
    static bool SpanEnd(void* context, const EntrySpan& span, bool crcHolds);
    void DecodeBlocks(Decoder& decoder);
    bool OpenFile(Decoder& decoder, int32_t rank);
    // The file of the wanted entry at rank, once begun.
    WString FileName(int32_t rank) const;
    bool MakeFolder(const WString& folder);
    bool MustWait(int32_t rank, int32_t decoder) const;
    void Finish(int32_t rank, bool sound);
    void WakeWaiters(bool all);

    const InstallPackage* package_ = nullptr;
    WString privateFolder_;
    StringList folders_;            // the folders files are decoded into
    StringIndex knownFolders_;      // of those, the ones that exist
    StringList madeFolders_;        // made by the decoders, parents first
    MadeHook made_ = nullptr;
    Wanted* wanted_ = nullptr;      // one per entry taken, in the order first taken
    int32_t wantedCount_ = 0;
    int32_t* rankOf_ = nullptr;     // entry index to its place in wanted_, or -1
    uint32_t* blocks_ = nullptr;    // the blocks to decode, in the order first needed
    uint32_t blockCount_ = 0;
    uint32_t nextBlock_ = 0;
    int32_t firstOpen_ = 0;         // the first wanted entry neither decoded nor failed
    int32_t running_ = 0;           // decoders not yet ended
    uint64_t backlog_ = 0, mostBacklog_ = 0, decoded_ = 0, taken_ = 0;
    volatile LONG stopping_ = 0;
    CriticalSection lock_;
    Decoder* decoders_ = nullptr;
    int32_t decoderCount_ = 0;
    EventHandle workerWake_;
    bool workerWaiting_ = false;
};
