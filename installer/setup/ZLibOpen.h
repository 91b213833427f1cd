// The inflater of packed "._z" source files: one zlib stream each.
#pragma once
#include <cstddef>
#include <string>

#include "Files.h"

// Inflates one zlib stream (with its header) into output, whose storage is reused. The
// output grows as needed from the size estimate (0: none). False, with the library's message in `error`, for damaged data, a
// stream that asks for a preset dictionary, or one that ends before its end mark.
bool DecompressBuffer(const void* input, size_t inputSize, std::string& output, const TProgressProc& progress,
                      size_t estimate, std::string& error);
bool DecompressString(const std::string& packed, std::string& output, const TProgressProc& progress,
                      std::string& error);
