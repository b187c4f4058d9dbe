#include "base/lists.h"

#include <stdlib.h>
#include <string.h>

PtrList::PtrList() : items_(inline_), count_(0), capacity_(kInline), step_(32) {}

PtrList::~PtrList() { Clear(); }

void PtrList::Grow() {
    if (capacity_ + step_ == 0) step_ = 1;
    uint64_t slots = (uint64_t)capacity_ + (uint64_t)step_;
    uint64_t bytes = slots * sizeof(void*);
    // An overflowing request asks for everything, so it fails instead of
    // wrapping into a small block.
    void** block = (void**)malloc(bytes > 0xFFFFFFFFu ? (size_t)0xFFFFFFFFu : (size_t)bytes);
    if (capacity_ > 0) memcpy(block, items_, sizeof(void*) * capacity_);
    if (items_ && items_ != inline_) free(items_);
    items_ = block;
    capacity_ += step_;
    step_ = step_ * 2 > 500000 ? 500000 : step_ * 2;
}

void* PtrList::Push(void* p) {
    if (count_ == capacity_) Grow();
    items_[count_++] = p;
    return p;
}

void PtrList::InsertAt(int32_t index, void* p) {
    if (index < 0 || index > count_) index = count_;
    if (count_ == capacity_) Grow();
    memmove(items_ + index + 1, items_ + index, sizeof(void*) * (count_ - index));
    items_[index] = p;
    ++count_;
}

void PtrList::RemoveAt(int32_t index) {
    if (index < 0 || index >= count_) return;
    memmove(items_ + index, items_ + index + 1, sizeof(void*) * (count_ - index - 1));
    --count_;
}

void PtrList::Sort(int (*order)(const void*, const void*)) { qsort(items_, count_, sizeof(void*), order); }

void PtrList::Clear() {
    if (items_ && items_ != inline_) free(items_);
    items_ = nullptr;
    count_ = 0;
    capacity_ = 0;
    step_ = 32;
}

WString* StringList::AddString(const wchar_t* text, uint32_t tag) {
    WString* s = new WString(text);
    s->SetTag(tag);
    Push(s);
    return s;
}

void StringList::InsertString(int32_t index, const wchar_t* text) { InsertAt(index, new WString(text)); }

void StringList::DeleteAt(int32_t index) {
    if (index < 0 || index >= count_) return;
    delete static_cast<WString*>(items_[index]);
    RemoveAt(index);
}

void StringList::DeleteAll() {
    for (int32_t i = 0; i < count_; ++i) delete static_cast<WString*>(items_[i]);
    Clear();
}

void StringList::AddAll(const StringList& other) {
    for (int32_t i = 0; i < other.Count(); ++i) AddString(other[i], other[i].Tag());
}

bool StringList::Contains(const wchar_t* text, bool ignoreCase) const {
    for (int32_t i = 0; i < count_; ++i) {
        if (Compare((*this)[i], text, ignoreCase) == 0) return true;
    }
    return false;
}

void StringList::SplitLines(const wchar_t* text) {
    DeleteAll();
    if (!text) return;
    WString line;
    const wchar_t* p = text;
    while (*p) {
        if (*p == L'\r') {
            AddString(line);
            line = L"";
            ++p;
            while (*p == L'\n') ++p;
            continue;
        }
        line.AppendChar(*p++);
    }
    if (!line.IsEmpty()) AddString(line);
}
