// This program's file without its package: what an install leaves as the
// product's uninstaller when the package brings none of its own.
//
// The package builder lays the package's data out last in the file, at a
// multiple of the file alignment, so the file up to it is the image without
// the package. The copy holds those bytes, with its headers made to end
// there:
//   - a section reaching past the cut (the resources) ends at it, raw and
//     virtual size; the image size and the resource directory follow;
//   - the package's resource entry holds 0 bytes at the resources' start
//     (the program then finds an empty package, as the bare stub finds
//     none);
//   - the checksum and a certificate table (a signature lies past the cut)
//     are cleared.
// A package kept after the image, outside every section, is cut off the
// same way: no section then reaches past the cut, and the copy's locator
// says it holds no package.
#pragma once

// False when the file is not laid out so (its resources rewritten by
// another tool, say) or the copy could not be written.
bool WriteImageWithoutPackage(const wchar_t* destination);
