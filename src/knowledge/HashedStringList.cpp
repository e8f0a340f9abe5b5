#include "knowledge/HashedStringList.h"

TStringHash::TStringHash() : Buckets(BucketCount, -1) {}

uint32_t TStringHash::HashOf(std::string_view key) {
  uint32_t hash = 0;
  for (const char c : key) hash = ((hash << 2) | (hash >> 30)) ^ static_cast<unsigned char>(c);
  return hash;
}

void TStringHash::Add(std::string_view key, int position) {
  int32_t& head = Buckets[HashOf(key) % BucketCount];
  Items.push_back(TItem{std::string(key), position, head});
  head = int32_t(Items.size() - 1);
}

int TStringHash::ValueOf(std::string_view key) const {
  for (int32_t i = Buckets[HashOf(key) % BucketCount]; i >= 0; i = Items[size_t(i)].Next) {
    if (Items[size_t(i)].Key == key) return Items[size_t(i)].Position;
  }
  return -1;
}

void TStringHash::Clear() {
  Buckets.assign(BucketCount, -1);
  Items.clear();
}

void THashedStringList::Add(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    AddPair(line, std::string(line));
  } else {
    AddPair(line.substr(0, equals), std::string(line.substr(equals + 1)));
  }
}

void THashedStringList::AddPair(std::string_view key, std::string value) {
  Values.push_back(std::move(value));
  Index.Add(key, Count() - 1);
}

void THashedStringList::Clear() {
  Values.clear();
  Index.Clear();
}
