// Helpers of the framework tests: storing into and loading from memory archives, and the bytes
// of little-endian numbers for golden byte strings.
#ifndef TESTS_FRAMEWORK_ARCHIVETESTSUPPORT_H
#define TESTS_FRAMEWORK_ARCHIVETESTSUPPORT_H

#include "Framework.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The bytes an archive writes when fnStore fills it.
inline Bytes Store(const std::function<void(CArchive&)>& fnStore) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    fnStore(ar);
    ar.Close();
  }
  Bytes bytes(file.GetLength());
  file.SeekToBegin();
  file.Read(bytes.data(), (UINT)bytes.size());
  return bytes;
}

// Reads bytes through fnLoad; the number of bytes that were left unread.
inline size_t Load(const Bytes& bytes, const std::function<void(CArchive&)>& fnLoad) {
  Bytes copy(bytes);
  CMemFile file(copy.data(), (UINT)copy.size());
  CArchive ar(&file, CArchive::load);
  fnLoad(ar);
  ar.Close();
  return file.GetLength() - file.GetPosition();
}

// Byte-string builder: Le(0x1234, 2) gives 34 12.
struct ByteString {
  Bytes bytes;
  ByteString& Le(uint64_t value, int nBytes) {
    for (int i = 0; i < nBytes; ++i)
      bytes.push_back((uint8_t)(value >> (8 * i)));
    return *this;
  }
  ByteString& B(std::initializer_list<int> values) {
    for (int v : values)
      bytes.push_back((uint8_t)v);
    return *this;
  }
  ByteString& Text(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
};

#endif  // TESTS_FRAMEWORK_ARCHIVETESTSUPPORT_H
