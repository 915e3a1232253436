#pragma once
// A sequence that grows at its end in fixed blocks of about 64 KiB: nothing is copied as it grows
// (as in a deque) and a million small rows take a few hundred allocations instead of tens of
// thousands. Elements are default-constructed in whole blocks, then assigned.

#include <cstddef>
#include <memory>
#include <vector>

namespace klv {

template <class T>
class BlockVector {
public:
    static constexpr size_t kPerBlock = (size_t{64} << 10) / sizeof(T) > 0 ? (size_t{64} << 10) / sizeof(T) : 1;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() {
        blocks_.clear();
        size_ = 0;
    }
    void push_back(const T& value) {
        if (size_ == blocks_.size() * kPerBlock) blocks_.push_back(std::make_unique<T[]>(kPerBlock));
        blocks_[size_ / kPerBlock][size_ % kPerBlock] = value;
        ++size_;
    }
    const T& operator[](size_t i) const { return blocks_[i / kPerBlock][i % kPerBlock]; }
    const T& back() const { return (*this)[size_ - 1]; }

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    size_t size_ = 0;
};

}  // namespace klv
