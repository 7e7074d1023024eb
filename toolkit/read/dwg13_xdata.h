// Extended data of the bit-stream releases (AC1012 to AC1015): the raw items the object frame
// copies out of an object, kept as a list of application blocks, and the decoder that turns
// them into the toolkit's extended-data items. Older releases and DXF keep their own decoders;
// attaching the items to a record is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>

struct TkBlob;
struct TkXdataItem;

// The raw list as the frame stores it: per application block a u16 data size n (little-endian),
// the application handle's code/counter byte, its counter bytes and the n data bytes; a u16 0
// ends the list.
struct Dwg13XdataReader {
  const uint8_t* data;
  size_t length;      // bytes of the list, the terminator included
  size_t position;
  size_t block_left;  // data bytes left in the open application block; 0 opens a new one
};

void eed13_begin_read(Dwg13XdataReader* reader, const uint8_t* data, size_t length);
// The next item (a 1001 item with the application handle at the start of every block); 0 at the
// end of the data, also where an item would run past its block or the list.
int16_t eed13_read_item(Dwg13XdataReader* reader, TkXdataItem* item);

// Every item of the list appended to a new blob (4,096-byte chunks) in *out; *out stays null
// when the list holds no item. 0 when memory runs out (nothing allocated then).
int16_t eed13_to_blob(const uint8_t* data, size_t length, TkBlob** out);
