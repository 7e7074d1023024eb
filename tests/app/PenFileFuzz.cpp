// Arbitrary bytes as a pen file and as the profile's two pen lists: reading never goes past the
// text's end and every pen keeps a width.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/PrintModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CPenWidthList file;
  file.ReadPenFile(text.c_str());
  (void)file.FormatPenFile();
  const size_t half = text.size() / 2;
  CPenWidthList lists;
  lists.ReadProfile(text.substr(0, half).c_str(), text.substr(half).c_str());
  (void)lists.GetPenlist1();
  (void)lists.GetPenlist2();
  int32_t width = 0;
  ParsePenWidth(text.c_str(), &width);
  return 0;
}
