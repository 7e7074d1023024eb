// The lines of the vector properties dialog's tree: the drawing's file name, annotation file and
// file type under the root, and its width and height under "Size", each with its picture.
// Not for: the tree control (DWGProperties.cpp) or formatting numbers (the caller's).
#pragma once

#include <vector>

#include "Str.h"

// The labels as the string table gives them (these are their texts).
struct DwgPropertyLabels {
  CString root = "Vector properties";
  CString file_name = "File name";
  CString annotations = "Annotations file";
  CString file_type = "File type";
  CString size = "Size";
  CString width = "Width";
  CString height = "Height";
  CString units = "%1 drawing units";  // %1: the number
};

struct DwgPropertyItem {
  int level;  // 0 the root, 1 under it, 2 under "Size"
  int image;
  CString text;
};

std::vector<DwgPropertyItem> DwgPropertyItems(const DwgPropertyLabels& labels, const CString& fileName,
                                              const CString& annotations, const CString& fileType,
                                              const CString& widthText, const CString& heightText);
