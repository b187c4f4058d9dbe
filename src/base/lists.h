// PtrList: growable pointer array with 16 inline slots; it never owns what
// its slots point to. StringList: a PtrList of heap WStrings that it owns.
// ByteBuffer (base/byte_buffer.h) comes along for the callers of both.
#pragma once

#include <stdint.h>

#include "base/byte_buffer.h"
#include "base/wstring.h"

class PtrList {
public:
    static const int32_t kInline = 16;

    PtrList();
    ~PtrList();
    PtrList(const PtrList&) = delete;
    PtrList& operator=(const PtrList&) = delete;

    void* Push(void* p);
    void InsertAt(int32_t index, void* p);
    void RemoveAt(int32_t index);
    void Clear();
    // Orders the slots, qsort's way: order is given pointers to two slots.
    void Sort(int (*order)(const void*, const void*));
    int32_t Count() const { return count_; }
    void* At(int32_t index) const { return items_[index]; }
    int32_t Capacity() const { return capacity_; }
    bool UsesInlineArea() const { return items_ == inline_; }

protected:
    void Grow();

    void** items_;
    int32_t count_;
    int32_t capacity_;
    int32_t step_;
    void* inline_[kInline];
};

class StringList : public PtrList {
public:
    StringList() = default;
    ~StringList() { DeleteAll(); }

    WString* AddString(const wchar_t* text, uint32_t tag = 0);
    void InsertString(int32_t index, const wchar_t* text);
    WString& operator[](int32_t index) const { return *static_cast<WString*>(items_[index]); }
    void DeleteAt(int32_t index);
    void DeleteAll();
    void AddAll(const StringList& other);
    bool Contains(const wchar_t* text, bool ignoreCase) const;
    void SplitLines(const wchar_t* text);
};
