// A walkable list of items the disk-manager object owns elsewhere.
#pragma once

#include <cstddef>
#include <vector>

#include "DiskComponents.h"

template <typename Item>
class Collection final : public IDdmCollection<Item> {
public:
    void Add(Item* item) { items_.push_back(item); }
    bool empty() const { return items_.empty(); }
    void Clear() {
        items_.clear();
        cursor_ = kNoWalk;
    }

    uint32_t GetCount() override { return static_cast<uint32_t>(items_.size()); }
    Item* GetAt(uint32_t index) override { return index < items_.size() ? items_[index] : nullptr; }

    Item* First() override {
        cursor_ = 0;
        return Current();
    }
    // Null until First has started a walk, and after the last item.
    Item* Next() override {
        if (cursor_ < items_.size()) ++cursor_;
        return Current();
    }

private:
    Item* Current() const { return cursor_ < items_.size() ? items_[cursor_] : nullptr; }

    std::vector<Item*> items_;
    static constexpr size_t kNoWalk = static_cast<size_t>(-1);
    size_t cursor_ = kNoWalk;
};
