// The header section of DWG AC1012 to AC1015: the window on the section, the variables read in
// the order of the layout's table into the header block and the drawing, and the lineweight
// codes. Texts are read into scratch space of the stream's capacity and cut to their header
// field, since several fields are shorter than the stream allows.
#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_header_table.h"

namespace {

constexpr int16_t kLineweights[32] = {0,   5,   9,   13,  15,  18,  20,  25,  30,  35,  40,
                                      50,  53,  60,  70,  80,  90,  100, 106, 120, 140, 158,
                                      200, 211, 0,   0,   0,   0,   -1,  -1,  -2,  -3};
// Scratch for one text: the largest capacity in the stream, plus its terminator. A text may
// fill its stream capacity (a 38-character GUID in a 39-byte field arrives with its length
// of 39); it is taken into the scratch whole and then cut to the header field.
constexpr size_t kTextScratch = 512 + 1;

void store_int(TkHeader* h, const TkHeaderVarDesc* desc, int32_t v) {
  void* p = hdr_value(h, desc);
  switch (desc->type) {
    case TK_HV_BYTE: *static_cast<uint8_t*>(p) = uint8_t(v); break;
    case TK_HV_INT16:
    case TK_HV_USER_INT:
    case TK_HV_CODEPAGE: {
      int16_t s = int16_t(v);
      std::memcpy(p, &s, sizeof s);
      break;
    }
    default: break;
  }
}

void store_doubles(TkHeader* h, const TkHeaderVarDesc* desc, const double* v, int n) {
  int room = desc->type == TK_HV_POINT3 ? 3 : desc->type == TK_HV_POINT2 ? 2 : 1;
  if (desc->type != TK_HV_DOUBLE && desc->type != TK_HV_USER_DOUBLE &&
      desc->type != TK_HV_POINT2 && desc->type != TK_HV_POINT3)
    return;
  std::memcpy(hdr_value(h, desc), v, sizeof(double) * size_t(n < room ? n : room));
}

void store_text(TkHeader* h, const TkHeaderVarDesc* desc, const char* text) {
  if (desc->type != TK_HV_TEXT || desc->size == 0) return;
  char* field = static_cast<char*>(hdr_value(h, desc));
  size_t n = std::strlen(text);
  if (n > size_t(desc->size) - 1) n = size_t(desc->size) - 1;
  std::memcpy(field, text, n);
  field[n] = 0;
}

// The flags of AC1015: lineweight, end caps, joins and four switches in one BL.
void store_flags(TkHeader* h, int32_t flags) {
  h->celweight = lineweight_from_code(flags & 0x1F);
  h->endcaps = uint8_t((flags >> 5) & 3);
  h->joinstyle = uint8_t((flags >> 7) & 3);
  h->lwdisplay = (flags & 0x200) ? 0 : 1;
  h->xedit = (flags & 0x400) ? 0 : 1;
  h->extnames = (flags >> 11) & 1;
  h->pstylemode = (flags >> 13) & 1;
}

void read_items(TkDrawing* d, Dwg13File* f, TkHeader* h, const Dwg13HeaderItem* items,
                size_t count, char* scratch) {
  TkBitReader* r = f->bits;
  for (size_t i = 0; i < count; ++i) {
    const Dwg13HeaderItem& it = items[i];
    const TkHeaderVarDesc* desc = it.name ? hdr_find(it.name) : nullptr;
    double v[3];
    switch (it.code) {
      case DWG13_HV_B: store_int(h, desc, bits_read_bit(r)); break;
      case DWG13_HV_BS: store_int(h, desc, bits_read_short(r)); break;
      case DWG13_HV_BL: store_int(h, desc, bits_read_long(r)); break;
      case DWG13_HV_RC: store_int(h, desc, bits_read_char(r)); break;
      case DWG13_HV_BD:
        v[0] = bits_read_double(r);
        store_doubles(h, desc, v, 1);
        break;
      case DWG13_HV_3BD:
        bits_read_3bd(r, v);
        store_doubles(h, desc, v, 3);
        break;
      case DWG13_HV_2RD:
        bits_read_2rd(r, v);
        store_doubles(h, desc, v, 2);
        break;
      case DWG13_HV_TV:
        if (bits_read_text(r, scratch, uint16_t(it.arg + 1))) store_text(h, desc, scratch);
        break;
      case DWG13_HV_DATE: {
        TkDate date;
        date.day = bits_read_long(r);
        date.msec = bits_read_long(r);
        if (desc && desc->type == TK_HV_DATE) std::memcpy(hdr_value(h, desc), &date, sizeof date);
        break;
      }
      case DWG13_HV_REF: bits_read_handle(r, &f->refs[it.arg]); break;
      case DWG13_HV_HELD: bits_read_handle(r, &f->held[it.arg]); break;
      case DWG13_HV_CONTROL: bits_read_handle(r, &f->controls[it.arg]); break;
      case DWG13_HV_HANDSEED:
        bits_read_handle(r, &h->handseed);
        h->handling = 1;
        d->file_seed = h->handseed;
        d->has_file_seed = 1;
        break;
      case DWG13_HV_FLAGS: store_flags(h, bits_read_long(r)); break;
      case DWG13_HV_PLOTSTYLE:
        if (h->cepsntype == 3) bits_read_handle(r, &f->refs[it.arg]);
        break;
      case DWG13_HV_DROP_B: bits_read_bit(r); break;
      case DWG13_HV_DROP_BS: bits_read_short(r); break;
      case DWG13_HV_DROP_BL: bits_read_long(r); break;
      case DWG13_HV_DROP_BD: bits_read_double(r); break;
      case DWG13_HV_DROP_TV: bits_read_text(r, scratch, uint16_t(it.arg + 1)); break;
      default: break;
    }
  }
}

// The handles every drawing of these releases must name; a file without them is not one the
// rest of the reader can walk.
bool required_handles_present(const Dwg13File* f) {
  for (const TkHandle& h : f->controls)
    if (tk_handle_is_null(&h)) return false;
  static const int held[] = {DWG13_HELD_NAMED_OBJECTS,     DWG13_HELD_GROUP_DICTIONARY,
                             DWG13_HELD_MLINESTYLE_DICTIONARY, DWG13_HELD_MODEL_BLOCK_RECORD,
                             DWG13_HELD_PAPER_BLOCK_RECORD, DWG13_HELD_BYLAYER,
                             DWG13_HELD_BYBLOCK};
  for (int i : held)
    if (tk_handle_is_null(&f->held[i])) return false;
  return true;
}

// What the rest of the toolkit finds in the drawing record itself.
void hand_over(TkDrawing* d, const Dwg13File* f) {
  for (int c = 0; c < DWG13_CONTROL_COUNT; ++c) d->fixed[c] = f->controls[c];
  d->fixed[TK_FIXED_MODEL_SPACE] = f->held[DWG13_HELD_MODEL_BLOCK_RECORD];
  d->fixed[TK_FIXED_PAPER_SPACE] = f->held[DWG13_HELD_PAPER_BLOCK_RECORD];
  d->named_objects = f->held[DWG13_HELD_NAMED_OBJECTS];
  d->group_dictionary = f->held[DWG13_HELD_GROUP_DICTIONARY];
  d->mlinestyle_dictionary = f->held[DWG13_HELD_MLINESTYLE_DICTIONARY];
  d->plotstyle_dictionary = f->held[DWG13_HELD_PLOT_STYLES];
  d->bylayer_linetype = f->held[DWG13_HELD_BYLAYER];
  d->byblock_linetype = f->held[DWG13_HELD_BYBLOCK];
  if (!tk_handle_is_null(&f->held[DWG13_HELD_CONTINUOUS]))
    std::memcpy(tk_state->continuous_linetype_handle, f->held[DWG13_HELD_CONTINUOUS].bytes, 8);
}

}  // namespace

int16_t lineweight_from_code(int code) {
  return code >= 0 && code < 32 ? kLineweights[code] : 0;
}

int16_t lineweight_to_code(int16_t value) {
  for (int code = 0; code < 32; ++code)
    if (kLineweights[code] == value) return int16_t(code);
  return -1;
}

int16_t dwg_read_header_vars(TkDrawing* d, TkHeader* header) {
  Dwg13File* f = dwg13_file(d);
  if (!f) return tk_fail(TK_ERR_READ_HEADER);
  // The section: a 16-byte sentinel, the RL size, the variables and a CRC.
  int32_t size = 0;
  uint32_t at = f->header_seeker;
  if (at > f->file_length || f->file_length - at < 20 || file_seek(d->file, at + 16, 0) != 0 ||
      !dwg_file_rl(d->file, &size) || size < 0 || uint32_t(size) + 2 > TK_BITS_WINDOW_SIZE ||
      uint32_t(size) > f->file_length - (at + 20))
    return tk_fail(TK_ERR_BAD_DWG_INFO);
  uint32_t data = at + 20;
  uint32_t end = data + uint32_t(size) + 2 <= f->file_length ? data + uint32_t(size) + 2
                                                            : f->file_length;
  bits_open_file(f->bits, d->file, at, data, end - data, 1, end);
  f->bits->data_size = uint32_t(size);
  auto* scratch = static_cast<char*>(mem_alloc(kTextScratch));
  if (!scratch) return tk_fail_alloc(TK_ERR_READ_BUFFER);
  if (d->version >= TK_VERSION_AC1015)
    read_items(d, f, header, dwg13_header_r15, dwg13_header_r15_count, scratch);
  else
    read_items(d, f, header, dwg13_header_r13, dwg13_header_r13_count, scratch);
  mem_free(scratch);
  // Variables that ran beyond their section are not variables.
  if (f->bits->past_end || bits_consumed(f->bits) > 8 * uint32_t(size))
    return tk_fail(TK_ERR_BAD_DWG_INFO);
  if (!required_handles_present(f)) return tk_fail(TK_ERR_BAD_HEADER_HANDLE);
  hand_over(d, f);
  return 1;
}
