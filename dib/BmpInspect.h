// The layout of a bitmap file as it lies on disk, field by field, with every
// inconsistency named: what a device that reads the file will get. Reads
// only the headers, masks and colour table, never the pixels themselves.
#pragma once

#include "dib/DibFile.h"

#include <string>
#include <utility>
#include <vector>

struct BmpInspection
{
    // False when the file is not a bitmap a reader could decode: no "BM"
    // signature, an unknown or cut-off header, impossible sizes, pixel data
    // outside the file.
    bool valid = false;
    // Field name and value, in the order they lie in the file.
    std::vector<std::pair<std::string, std::string>> fields;
    // Each inconsistency in words; those that make the file invalid among
    // them.
    std::vector<std::string> problems;
};

BmpInspection InspectBmp(DibFile& file);
