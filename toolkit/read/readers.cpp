// The DWG dispatcher set and the installation of both sets. Knows no file format.
#include "toolkit/read/readers.h"

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/load.h"

namespace {

const TkReaderOps* family(const TkDrawing* d) {
  return d->version >= TK_VERSION_AC1012 ? dwg13_reader_ops() : dwg_old_reader_ops();
}

// One forwarding function per slot, made from the slot's own type; a slot the family leaves
// empty is a failed read.
template <typename Fn, Fn TkReaderOps::*Slot>
struct Forward;

template <typename... Args, int16_t (*TkReaderOps::*Slot)(TkDrawing*, Args...)>
struct Forward<int16_t (*)(TkDrawing*, Args...), Slot> {
  static int16_t call(TkDrawing* d, Args... args) {
    const TkReaderOps* ops = family(d);
    return ops && ops->*Slot ? (ops->*Slot)(d, args...) : int16_t{0};
  }
};

#define VV_FORWARD(slot) s.slot = Forward<decltype(TkReaderOps::slot), &TkReaderOps::slot>::call

TkReaderOps make_dwg_set() {
  TkReaderOps s{};
  VV_FORWARD(next_object_kind);
  VV_FORWARD(read_dictionary);
  VV_FORWARD(read_object);
  VV_FORWARD(read_block_header);
  VV_FORWARD(read_class);
  VV_FORWARD(read_dimstyle);
  VV_FORWARD(read_entity);
  VV_FORWARD(read_group);
  VV_FORWARD(open);
  VV_FORWARD(read_layer);
  VV_FORWARD(read_linetype);
  VV_FORWARD(read_mlinestyle);
  VV_FORWARD(read_plotsettings);
  VV_FORWARD(read_appid);
  VV_FORWARD(read_style);
  VV_FORWARD(read_ucs);
  VV_FORWARD(read_view);
  VV_FORWARD(read_vport);
  VV_FORWARD(read_vpent_header);
  VV_FORWARD(begin_block_entities);
  VV_FORWARD(begin_block_headers);
  VV_FORWARD(begin_classes);
  VV_FORWARD(begin_dimstyles);
  VV_FORWARD(begin_entities);
  VV_FORWARD(begin_layers);
  VV_FORWARD(begin_linetypes);
  VV_FORWARD(begin_objects);
  VV_FORWARD(begin_appids);
  VV_FORWARD(begin_styles);
  VV_FORWARD(begin_ucss);
  VV_FORWARD(begin_views);
  VV_FORWARD(begin_vpent_headers);
  VV_FORWARD(begin_vports);
  return s;
}

#undef VV_FORWARD

}  // namespace

const TkReaderOps* tk_dwg_reader_ops() {
  static const TkReaderOps set = make_dwg_set();
  return &set;
}

int16_t tk_install_file_readers() {
  if (!tk_install_readers_full(tk_dwg_reader_ops())) return 0;
  return tk_install_readers(tk_dxf_reader_ops());
}
