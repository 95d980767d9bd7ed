// How much memory one picture may take: a quarter of the machine's, so that
// a picture, its working copy and the file being made fit together and a
// huge or hostile picture fails cleanly instead of starving the system.
#pragma once

#include <cstdint>

std::uint64_t PictureMemoryBudget();
