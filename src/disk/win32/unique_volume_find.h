#pragma once

#include <windows.h>

#include <utility>

namespace qn::win32 {

// Owns a FindFirstVolumeW search handle; move-only. Closed with FindVolumeClose, not FindClose.
class UniqueVolumeFind {
public:
    UniqueVolumeFind() = default;
    explicit UniqueVolumeFind(HANDLE h) : h_(h) {}
    UniqueVolumeFind(const UniqueVolumeFind&) = delete;
    UniqueVolumeFind& operator=(const UniqueVolumeFind&) = delete;
    UniqueVolumeFind(UniqueVolumeFind&& other) noexcept
        : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
    UniqueVolumeFind& operator=(UniqueVolumeFind&& other) noexcept {
        if (this != &other) {
            Close();
            h_ = std::exchange(other.h_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    ~UniqueVolumeFind() { Close(); }

    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

private:
    void Close() {
        if (Valid()) {
            FindVolumeClose(h_);
        }
        h_ = INVALID_HANDLE_VALUE;
    }

    HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace qn::win32
