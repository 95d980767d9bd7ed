#include "dib/RunLength.h"

namespace {

// Length of the run of equal indices at i, at most 255.
std::size_t RunAt(const std::uint8_t* indices, std::size_t count, std::size_t i)
{
    std::size_t n = 1;
    while (i + n < count && n < 255 && indices[i + n] == indices[i])
        ++n;
    return n;
}

// Literal stretch from i: up to the next run of three or more (worth a pair
// of its own), at most 255 indices.
std::size_t LiteralAt(const std::uint8_t* indices, std::size_t count, std::size_t i)
{
    std::size_t j = i;
    while (j < count && j - i < 255) {
        if (j + 2 < count && indices[j] == indices[j + 1] && indices[j] == indices[j + 2])
            break;
        ++j;
    }
    return j - i;
}

template <bool FourBit>
void AppendRow(const std::uint8_t* indices, std::size_t count, std::vector<std::uint8_t>& out)
{
    std::size_t i = 0;
    while (i < count) {
        const std::size_t run = RunAt(indices, count, i);
        const std::size_t literal = run >= 2 ? 0 : LiteralAt(indices, count, i);
        if (literal < 3) {
            // A run, or one or two odd pixels: literals need at least three.
            const std::uint8_t v = indices[i];
            out.push_back(std::uint8_t(run));
            out.push_back(FourBit ? std::uint8_t(v << 4 | v) : v);
            i += run;
            continue;
        }
        out.push_back(0);
        out.push_back(std::uint8_t(literal));
        std::size_t bytes = 0;
        if (FourBit) {
            for (std::size_t k = 0; k < literal; k += 2) {
                const std::uint8_t high = indices[i + k];
                const std::uint8_t low = k + 1 < literal ? indices[i + k + 1] : 0;
                out.push_back(std::uint8_t(high << 4 | low));
                ++bytes;
            }
        } else {
            out.insert(out.end(), indices + i, indices + i + literal);
            bytes = literal;
        }
        if (bytes & 1)
            out.push_back(0);
        i += literal;
    }
}

} // namespace

void AppendRle8Row(const std::uint8_t* indices, std::size_t count, std::vector<std::uint8_t>& out)
{
    AppendRow<false>(indices, count, out);
}

void AppendRle4Row(const std::uint8_t* indices, std::size_t count, std::vector<std::uint8_t>& out)
{
    AppendRow<true>(indices, count, out);
}
