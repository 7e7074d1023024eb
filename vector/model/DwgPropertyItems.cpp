// The vector properties dialog's lines.
#include "vector/model/DwgPropertyItems.h"

namespace {

CString WithNumber(const CString& pattern, const CString& number) {
  CString out;
  for (int i = 0; i < pattern.GetLength(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.GetLength() && pattern[i + 1] == '1') {
      out += number;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

std::vector<DwgPropertyItem> DwgPropertyItems(const DwgPropertyLabels& labels, const CString& fileName,
                                              const CString& annotations, const CString& fileType,
                                              const CString& widthText, const CString& heightText) {
  return {
      {0, 1, labels.root},
      {1, 2, labels.file_name + ": " + fileName},
      {1, 2, labels.annotations + ": " + annotations},
      {1, 2, labels.file_type + ": " + fileType},
      {1, 3, labels.size},
      {2, 2, labels.width + ": " + WithNumber(labels.units, widthText)},
      {2, 2, labels.height + ": " + WithNumber(labels.units, heightText)},
  };
}
