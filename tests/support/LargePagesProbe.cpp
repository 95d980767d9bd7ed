// Starts the way the programs start, then prints what the large-page restart
// left in its environment, and what the process was started with.
#include "platform/ProcessTuning.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

static void Print(const char* label, const char* value)
{
    std::printf("%s=%s\n", label, value ? value : "<unset>");
}

int main(int, char* argv[])
{
    RestartWithLargePages(argv);
    Print("now GLIBC_TUNABLES", std::getenv("GLIBC_TUNABLES"));
    Print("now RASTELLE_LARGE_PAGES", std::getenv("RASTELLE_LARGE_PAGES"));
    // The environment this process image was started with, as glibc read it.
    std::ifstream environ("/proc/self/environ", std::ios::binary);
    const std::string block((std::istreambuf_iterator<char>(environ)),
                            std::istreambuf_iterator<char>());
    // glibc may cut the variable short in that block while parsing it, so
    // look for the setting anywhere in it.
    const bool started = block.find("glibc.malloc.hugetlb=1") != std::string::npos;
    std::printf("started with large pages=%s\n", started ? "yes" : "no");
    return 0;
}
