// One name for a file however a record spells it: the identity of its
// folder (volume serial and file index, so that a short name, "..", another
// drive mapping or a link to the folder all give the same) joined to its
// long file name. Only folders are opened, each spelling once: comparing
// every file of every other product's record must not cost an open per
// file.
#pragma once

#include "base/lists.h"
#include "base/string_index.h"

class FileKeys {
public:
    FileKeys() = default;
    FileKeys(const FileKeys&) = delete;
    FileKeys& operator=(const FileKeys&) = delete;

    // Equal keys (ignoring ASCII case) name the same file; empty when the
    // file's folder cannot be opened.
    WString KeyOf(const wchar_t* path);

private:
    // The folder spellings met, each tagged with the index of its identity
    // in identities_ (empty where it has none).
    StringIndex folders_;
    StringList identities_;
};
