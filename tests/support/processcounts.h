#pragma once
// Open descriptors and threads of this process, to show that work leaves none behind.

#include <dirent.h>
#include <string>

namespace brenmoor::test {

inline int countEntries(const char* directory)
{
    DIR* dir = opendir(directory);
    if (!dir)
        return -1;
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.')
            ++count;
    }
    closedir(dir);
    return count;
}

inline int openDescriptors() { return countEntries("/proc/self/fd"); }
inline int threadCount() { return countEntries("/proc/self/task"); }

} // namespace brenmoor::test
