// The inflater of packed "._z" source files: one zlib stream each.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "Files.h"

// Inflates one zlib stream (with its header) into output, whose storage is reused. The
// output grows as needed from the size estimate (0: none). False, with the library's message in `error`, for damaged data, a
// stream that asks for a preset dictionary, or one that ends before its end mark.
bool DecompressBuffer(const void* input, size_t inputSize, std::string& output, const TProgressProc& progress,
                      size_t estimate, std::string& error);
bool DecompressString(const std::string& packed, std::string& output, const TProgressProc& progress,
                      std::string& error);

// Source of packed bytes: fills up to `size` bytes, returns the count, 0 at the end, -1 on failure.
using TReadProc = std::function<long(char* buffer, size_t size)>;
// Receiver of unpacked bytes: false stops the inflater.
using TWriteProc = std::function<bool(const char* data, size_t size)>;

// Inflates one zlib stream a piece at a time, so that memory stays the same whatever the
// stream's size. Progress as DecompressBuffer's, over `inputSize`. False with a message in
// `error`; `damaged` tells a bad stream from a failed read or write.
bool InflateStream(const TReadProc& read, uint64_t inputSize, const TWriteProc& write, const TProgressProc& progress,
                   std::string& error, bool& damaged);
