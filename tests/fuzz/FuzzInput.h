#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <unistd.h>

// Shared by the fuzz targets: each defines LLVMFuzzerTestOneInput, which
// libFuzzer calls in the fuzz build and ReplayMain.cpp calls with every
// seed file in the other builds.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// Takes an input apart front to back: choice bytes first, then pieces of
// bytes each led by a little-endian 16-bit length. What runs out reads as
// zero or as an empty piece.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    bool Empty() const { return pos_ >= size_; }

    std::span<const std::uint8_t> Piece() {
        const std::size_t length = Byte() | static_cast<std::size_t>(Byte()) << 8;
        const std::size_t n = length < size_ - pos_ ? length : size_ - pos_;
        const std::span<const std::uint8_t> piece(data_ + pos_, n);
        pos_ += n;
        return piece;
    }
    std::span<const std::uint8_t> Rest() {
        const std::span<const std::uint8_t> rest(data_ + pos_, size_ - pos_);
        pos_ = size_;
        return rest;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A folder of this process's own under the temporary folder, made on first
// use and kept for the run (fuzzing makes millions of inputs; a folder per
// input would be pure cost).
inline const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "rx58-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return std::filesystem::path(pattern);
    }();
    // Registered once the folder is made, so it runs before the path is
    // destroyed; a crash leaves the folder for the post-mortem.
    static const bool removedAtExit = std::atexit([] {
                                          std::error_code ec;
                                          std::filesystem::remove_all(ScratchFolder(), ec);
                                      }) == 0;
    (void)removedAtExit;
    return folder;
}

} // namespace fuzz
