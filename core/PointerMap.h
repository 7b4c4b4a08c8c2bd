#ifndef BM_POINTERMAP_H
#define BM_POINTERMAP_H
// A small open-addressing map keyed by pointer identity, for look-ups on the per-frame path.
// It is filled once after a change and then only read; there is no erase.

#include <cstddef>
#include <cstdint>
#include <vector>

template <typename Value>
class PointerMap {
public:
    void Clear() {
        slots_.assign(kMinSlots, Slot{});
        size_ = 0;
    }

    // Inserts or overwrites.
    void Set(const void* key, const Value& value) {
        if (slots_.empty()) Clear();
        if (2 * (size_ + 1) > slots_.size()) Grow();
        Slot& slot = Probe(key);
        if (!slot.used) ++size_;
        slot = Slot{key, value, true};
    }

    const Value* Find(const void* key) const {
        if (slots_.empty()) return nullptr;
        const Slot& slot = const_cast<PointerMap*>(this)->Probe(key);
        return slot.used ? &slot.value : nullptr;
    }

private:
    struct Slot {
        const void* key = nullptr;
        Value value{};
        bool used = false;
    };
    static constexpr std::size_t kMinSlots = 16;

    Slot& Probe(const void* key) {
        std::size_t mask = slots_.size() - 1;
        // Fibonacci hashing spreads the aligned addresses over the table.
        std::size_t i = std::size_t((std::uintptr_t(key) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
        while (slots_[i].used && slots_[i].key != key) i = (i + 1) & mask;
        return slots_[i];
    }

    void Grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(old.size() * 2, Slot{});
        size_ = 0;
        for (const Slot& slot : old)
            if (slot.used) Set(slot.key, slot.value);
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

#endif
