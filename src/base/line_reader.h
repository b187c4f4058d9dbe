// ReadLine: the one line reader of the script files (the install script, the
// uninstall record, the elevated-child command file). Consumers match header
// lines whole and case-sensitively, then read each section's parameter lines
// by position with further calls; a missing last line reads as empty.
#pragma once

#include "base/disk_file.h"
#include "base/wstring.h"

// Sets line to the next line of file without its break (CR LF, LF or CR) and
// returns true; false at the end of the file when nothing of a new line was
// read. utf16 reads 2-byte little-endian units and skips a U+FEFF at the
// start of a line. Otherwise a file that starts with the UTF-8 mark is UTF-8
// text (the mark is no part of the first line), any other is text of the
// ANSI code page; each line is converted whole, so that a double-byte
// character survives. The file's encoding is learnt when reading starts at
// offset 0 and kept in file (DiskFile::Encoding). NUL bytes or units are
// dropped. A read error looks like the end of the file.
bool ReadLine(DiskFile& file, WString& line, bool utf16);
// The next 8-bit line, empty at the end of the file: a section's parameter
// lines, read by position.
WString NextLine(DiskFile& file);
