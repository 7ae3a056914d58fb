#include "tests/support/test_catalogue.h"

#include <algorithm>
#include <stdexcept>

#include "packer.h"

namespace qztest {

void TestCatalogue::Add(const std::string& path, const std::string& content, bool gzip, bool readOnly) {
  Item& item = items_.emplace_back();
  item.path = path;
  item.content = content;
  std::vector<unsigned char> bytes(content.begin(), content.end());
  item.stored = gzip ? qzpack::GzipMember(bytes) : bytes;
  item.entry = {item.path.c_str(), readOnly ? 1u : 0u, uint32_t(content.size()),
                gzip ? uint32_t(item.stored.size()) : 0u, 0, item.stored.data()};
}

qz::PayloadCatalogue TestCatalogue::Catalogue() {
  index_.clear();
  for (const Item& item : items_) index_.push_back(&item.entry);
  std::sort(index_.begin(), index_.end(),
            [](const qz::PayloadEntry* a, const qz::PayloadEntry* b) { return qzpack::PathLess(a->path, b->path); });
  return {index_.data(), uint32_t(index_.size())};
}

const std::string& TestCatalogue::Content(const std::string& path) const {
  for (const Item& item : items_)
    if (item.path == path) return item.content;
  throw std::out_of_range(path);
}

}  // namespace qztest
