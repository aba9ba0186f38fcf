#pragma once

#include "ImageMetadata.h"

#include <cstddef>
#include <iterator>
#include <vector>

namespace optara {

// A window's photos, in the order they were added. Batches are kept as they
// come, so adding one moves no photo already held.
class PhotoList {
  public:
    class Iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ImageMetadata;
        using difference_type = std::ptrdiff_t;
        using pointer = const ImageMetadata*;
        using reference = const ImageMetadata&;

        Iterator() = default;
        reference operator*() const { return (*batches_)[batch_][photo_]; }
        pointer operator->() const { return &**this; }
        Iterator& operator++();
        Iterator operator++(int);
        friend bool operator==(const Iterator& a, const Iterator& b)
        {
            return a.batch_ == b.batch_ && a.photo_ == b.photo_;
        }

      private:
        friend class PhotoList;
        Iterator(const std::vector<std::vector<ImageMetadata>>* batches, std::size_t batch)
            : batches_(batches), batch_(batch)
        {
        }

        const std::vector<std::vector<ImageMetadata>>* batches_ = nullptr;
        std::size_t batch_ = 0;
        std::size_t photo_ = 0;
    };

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Iterator begin() const { return Iterator(&batches_, 0); }
    Iterator end() const { return Iterator(&batches_, batches_.size()); }

    void append(std::vector<ImageMetadata> batch);

  private:
    std::vector<std::vector<ImageMetadata>> batches_; // none empty
    std::size_t size_ = 0;
};

} // namespace optara
