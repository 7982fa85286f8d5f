// Name table of the identifier tree: an open-addressed hash table (linear probing) from a name
// to the first node of that name's chain. The key is the head node's own name, so the table keeps
// no copy of it; a head may be replaced by another node of the same name. Names come out in no
// particular order: callers that list them sort first. The head found last is remembered: the
// name of a node is often looked up again, through the node, right after the node was found.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace aq71 {

// FNV-1a over the bytes of a name, 64 bits, mixed at the end.
inline std::uint64_t name_hash(std::string_view name) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : name) {
    h ^= c;
    h *= 1099511628211ull;
  }
  // The table takes the low bits: spread the high ones down.
  h ^= h >> 32;
  h *= 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

// Node: any type with a std::string member `name`.
template <class Node>
class NameTable {
 public:
  NameTable() { clear(); }

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  void clear() {
    slots_.assign(kInitialSlots, Slot{});
    count_ = 0;
    last_ = nullptr;
    singles_.fill(nullptr);
    recent_.fill(Recent{});
    pairs_.fill(0);
    pair_ends_.fill(0);
  }

  // Some name of two characters begins with a, and some (maybe another) ends with b.
  bool may_hold_pair(unsigned char a, unsigned char b) const { return pairs_[a] != 0 && pair_ends_[b] != 0; }

  // The head of the one-character name c, or nullptr.
  Node* find_single(unsigned char c) const { return singles_[c]; }

  Node* find(std::string_view name) const {
    if (name.size() == 1) return singles_[static_cast<unsigned char>(name[0])];
    // The name of the head found last (looked up again through a node of it): no hashing.
    if (last_ && last_->name.data() == name.data() && last_->name.size() == name.size()) return last_;
    if (name.size() <= kShortName) {
      const std::uint64_t key = short_key(name);
      Recent& r = recent_[recent_slot(key)];
      if (r.key == key && r.head) return last_ = r.head;
      Node* head = find(name, name_hash(name));
      if (head) r = Recent{key, head};
      return head;
    }
    return find(name, name_hash(name));
  }
  Node* find(std::string_view name, std::uint64_t hash) const {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (!s.head) return nullptr;
      if (s.hash == hash && std::string_view(s.head->name) == name) return last_ = s.head;
    }
  }

  // Enters head under its own name, which must not be in the table yet.
  void insert(Node* head) {
    forget(head->name);
    if ((count_ + 1) * 2 > slots_.size()) grow();
    place(Slot{name_hash(head->name), head});
    ++count_;
    note_single(head->name, head);
    if (head->name.size() == 2) {
      ++pairs_[static_cast<unsigned char>(head->name[0])];
      ++pair_ends_[static_cast<unsigned char>(head->name[1])];
    }
  }

  // Makes head the first node of its name (entered when the name is new).
  void set_head(Node* head) {
    std::string_view name(head->name);
    std::uint64_t hash = name_hash(name);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (!s.head) break;
      if (s.hash == hash && std::string_view(s.head->name) == name) {
        forget(name);
        s.head = head;
        last_ = head;
        note_single(name, head);
        return;
      }
    }
    insert(head);
  }

  // Takes a name out; false when it was not there.
  bool erase(std::string_view name) {
    std::uint64_t hash = name_hash(name);
    std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    for (;; i = (i + 1) & mask) {
      if (!slots_[i].head) return false;
      if (slots_[i].hash == hash && std::string_view(slots_[i].head->name) == name) break;
    }
    // Backward shift: move later entries of the probe run into the hole where they may stand.
    std::size_t hole = i;
    for (std::size_t j = (i + 1) & mask; slots_[j].head; j = (j + 1) & mask) {
      std::size_t home = slots_[j].hash & mask;
      bool movable = hole <= j ? (home <= hole || home > j) : (home <= hole && home > j);
      if (movable) {
        slots_[hole] = slots_[j];
        hole = j;
      }
    }
    slots_[hole] = Slot{};
    --count_;
    last_ = nullptr;
    forget(name);
    note_single(name, nullptr);
    if (name.size() == 2) {
      --pairs_[static_cast<unsigned char>(name[0])];
      --pair_ends_[static_cast<unsigned char>(name[1])];
    }
    return true;
  }

  template <class F>
  void for_each_head(F f) const {
    for (const Slot& s : slots_)
      if (s.head) f(s.head);
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    Node* head = nullptr;
  };
  // Heads of short names found lately, by the name's bytes and length: the few keywords and
  // labels a program uses over and over are found again without hashing their names. An entry
  // goes when its name gets another head or leaves the table.
  struct Recent {
    std::uint64_t key = 0;
    Node* head = nullptr;
  };
  static constexpr std::size_t kShortName = 7;
  static constexpr int kRecentBits = 10;
  static std::uint64_t short_key(std::string_view name) {
    std::uint64_t key = std::uint64_t{name.size()} << 56;
    for (std::size_t i = 0; i < name.size(); ++i) key |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    return key;
  }
  static std::size_t recent_slot(std::uint64_t key) { return (key * 0x9E3779B97F4A7C15ull) >> (64 - kRecentBits); }
  void forget(std::string_view name) {
    if (name.size() < 2 || name.size() > kShortName) return;
    const std::uint64_t key = short_key(name);
    Recent& r = recent_[recent_slot(key)];
    if (r.key == key) r = Recent{};
  }
  static constexpr std::size_t kInitialSlots = 1024;

  // One-character names (punctuation, operators) are also kept by their character.
  void note_single(std::string_view name, Node* head) {
    if (name.size() == 1) singles_[static_cast<unsigned char>(name[0])] = head;
  }

  void place(Slot slot) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = slot.hash & mask;
    while (slots_[i].head) i = (i + 1) & mask;
    slots_[i] = slot;
  }

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old)
      if (s.head) place(s);
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
  mutable Node* last_ = nullptr;  // the head found or made head last
  std::array<Node*, 256> singles_{};
  mutable std::array<Recent, std::size_t{1} << kRecentBits> recent_{};
  std::array<std::uint32_t, 256> pairs_{};      // names of two characters by their first
  std::array<std::uint32_t, 256> pair_ends_{};  // and by their second
};

}  // namespace aq71
