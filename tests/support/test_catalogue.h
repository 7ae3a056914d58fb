// Small catalogues built in memory for tests of the worker and the sync.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/payload_entry.h"

namespace qztest {

class TestCatalogue {
 public:
  // Stores the content plain or as one gzip member, the way the packer would.
  void Add(const std::string& path, const std::string& content, bool gzip = true, bool readOnly = false);
  // The catalogue in walk order; valid while this object lives and is not changed.
  qz::PayloadCatalogue Catalogue();
  const std::string& Content(const std::string& path) const;

 private:
  struct Item {
    std::string path, content;
    std::vector<unsigned char> stored;
    qz::PayloadEntry entry;
  };
  std::deque<Item> items_;
  std::vector<const qz::PayloadEntry*> index_;
};

}  // namespace qztest
