#pragma once
// A string list with a hash index beside it, for large "key=value" files that are looked up by
// key: the list holds the values in the order they were added, the index maps each key to its
// position. Keys compare case-sensitively, byte for byte, and duplicates are accepted; the
// entry added last wins a lookup.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A chained hash table from key texts to list positions with a fixed number of buckets. Items
// live in one pool and are chained by index, so filling it costs no allocation per item
// beyond the key text itself.
class TStringHash {
 public:
  static constexpr uint32_t BucketCount = 1019;

  TStringHash();
  // Puts the item at the head of its bucket's chain, so it shadows an older item of equal key.
  void Add(std::string_view key, int position);
  // The position of the first item in the chain whose key equals the text; -1 when none does.
  int ValueOf(std::string_view key) const;
  void Clear();

  static uint32_t HashOf(std::string_view key);

 private:
  struct TItem {
    std::string Key;
    int Position;
    int32_t Next;
  };
  std::vector<int32_t> Buckets;
  std::vector<TItem> Items;
};

class THashedStringList {
 public:
  // Stores the text after the first "=" and indexes it under the text before it; a line
  // without "=" is both the key and the value.
  void Add(std::string_view line);
  int IndexOf(std::string_view key) const { return Index.ValueOf(key); }
  const std::string& Value(int index) const { return Values[size_t(index)]; }
  int Count() const { return int(Values.size()); }
  void Clear();

 private:
  void AddPair(std::string_view key, std::string value);

  std::vector<std::string> Values;
  TStringHash Index;
};
