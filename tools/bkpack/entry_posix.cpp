// The builder's entry on Linux: the arguments, UTF-8, become the wide
// strings the commands take on every host.
#include <string>
#include <vector>

#include "files.h"

int wmain(int argc, wchar_t** argv);

int main(int argc, char** argv) {
    std::vector<std::wstring> wide(argc);
    for (int i = 0; i < argc; i++) wide[i] = FromUtf8(argv[i]);
    std::vector<wchar_t*> pointers;
    for (std::wstring& arg : wide) pointers.push_back(&arg[0]);
    pointers.push_back(nullptr);
    return wmain(argc, pointers.data());
}
