// Start-up tuning of the process itself.
#pragma once

// Pictures are tens to hundreds of megabytes written front to back; taking
// their memory in 2 MiB pages instead of 4 KiB ones saves most of the page
// faults, which on some machines cost more than the pixel work itself.
// glibc does this for large allocations when told so before the process
// starts, so the program starts itself again once with the setting. The
// restarted process takes the setting and its marker out of its environment
// again, so programs it starts get the environment the user gave. Returns
// only when no restart happens here (restarted already, the user set
// glibc.malloc.hugetlb or RASTELLE_LARGE_PAGES, or the restart failed).
void RestartWithLargePages(char* argv[]);
