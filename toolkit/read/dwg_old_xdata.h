// Extended data of DWG files of AC1002 to AC1009: the raw bytes an entity record carries, held
// in the state's extended-data buffer, walked item by item into the toolkit's item form. The
// application (1001) and layer (1003) items keep the file's table numbers in their first two
// value bytes for the load to turn into handles.
#pragma once

#include <cstddef>
#include <cstdint>

struct TkBlob;
struct TkXdataItem;

struct DwgOldXdata {
  const uint8_t* data;
  size_t size;
  size_t pos;
  uint16_t appid;  // the last 1001 item's table number
  uint16_t layer;  // the last 1003 item's table number
};

DwgOldXdata dwg_old_eed_begin_read(const uint8_t* data, size_t size);
// 1 and the next item; 0 at the end of the data or at an item that runs past it.
int16_t dwg_old_eed_read_item(DwgOldXdata* reader, TkXdataItem* item);
// Every item of the data into a new blob; null when the data holds no item or memory runs out
// (then *failed is set).
TkBlob* dwg_old_eed_to_blob(const uint8_t* data, size_t size, bool* failed);
