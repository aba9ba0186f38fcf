#include "PhotoList.h"

namespace optara {

PhotoList::Iterator& PhotoList::Iterator::operator++()
{
    if (++photo_ == (*batches_)[batch_].size()) {
        ++batch_;
        photo_ = 0;
    }
    return *this;
}

PhotoList::Iterator PhotoList::Iterator::operator++(int)
{
    Iterator before = *this;
    ++*this;
    return before;
}

void PhotoList::append(std::vector<ImageMetadata> batch)
{
    if (batch.empty())
        return;
    size_ += batch.size();
    batches_.push_back(std::move(batch));
}

} // namespace optara
