// Group-code descriptor tables of the symbol-table and class records, each ascending by group
// code, and the binary search the DXF reader uses on them.
#include "toolkit/core/group_desc.h"

#include "toolkit/core/class_list.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

namespace {

#define ROW(Record, field, code, store, element) \
  {int16_t(code), uint16_t(offsetof(Record, field)), store, element, uint16_t(sizeof(Record::field))}

const TkGroupDesc kLtypeRows[] = {
    ROW(TkLinetypeRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkLinetypeRecord, description, 3, TK_GROUP_TEXT, 0),
    ROW(TkLinetypeRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkLinetypeRecord, pattern_length, 40, TK_GROUP_DOUBLE, 0),
    ROW(TkLinetypeRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkLinetypeRecord, alignment, 72, TK_GROUP_BYTE, 0),
    ROW(TkLinetypeRecord, element_count, 73, TK_GROUP_INT16, 0),
    ROW(TkLinetypeRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkLinetypeRecord, xdict, 360, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kLayerRows[] = {
    ROW(TkLayerRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkLayerRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkLayerRecord, color, 62, TK_GROUP_INT16, 0),
    ROW(TkLayerRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkLayerRecord, plot, 290, TK_GROUP_INT16, 0),
    ROW(TkLayerRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkLayerRecord, xdict, 360, TK_GROUP_HANDLE, 0),
    ROW(TkLayerRecord, lineweight, 370, TK_GROUP_INT16, 0),
    ROW(TkLayerRecord, plot_style, 390, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kStyleRows[] = {
    ROW(TkTextStyleRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkTextStyleRecord, font_file, 3, TK_GROUP_TEXT, 0),
    ROW(TkTextStyleRecord, bigfont_file, 4, TK_GROUP_TEXT, 0),
    ROW(TkTextStyleRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkTextStyleRecord, height, 40, TK_GROUP_DOUBLE, 0),
    ROW(TkTextStyleRecord, width_factor, 41, TK_GROUP_DOUBLE, 0),
    ROW(TkTextStyleRecord, last_height, 42, TK_GROUP_DOUBLE, 0),
    ROW(TkTextStyleRecord, oblique_angle, 50, TK_GROUP_ANGLE, 0),
    ROW(TkTextStyleRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkTextStyleRecord, generation_flags, 71, TK_GROUP_BYTE, 0),
    ROW(TkTextStyleRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkTextStyleRecord, xdict, 360, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kViewRows[] = {
    ROW(TkViewRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkViewRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkViewRecord, center, 10, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, direction, 11, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, target, 12, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, center, 20, TK_GROUP_DOUBLE, 1),
    ROW(TkViewRecord, direction, 21, TK_GROUP_DOUBLE, 1),
    ROW(TkViewRecord, target, 22, TK_GROUP_DOUBLE, 1),
    ROW(TkViewRecord, direction, 31, TK_GROUP_DOUBLE, 2),
    ROW(TkViewRecord, target, 32, TK_GROUP_DOUBLE, 2),
    ROW(TkViewRecord, height, 40, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, width, 41, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, lens_length, 42, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, front_clip, 43, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, back_clip, 44, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, twist, 50, TK_GROUP_ANGLE, 0),
    ROW(TkViewRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkViewRecord, view_mode, 71, TK_GROUP_INT16, 0),
    ROW(TkViewRecord, ucs_associated, 72, TK_GROUP_INT16, 0),
    ROW(TkViewRecord, ortho_type, 79, TK_GROUP_INT16, 0),
    ROW(TkViewRecord, ucs_origin, 110, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, ucs_x_axis, 111, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, ucs_y_axis, 112, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, ucs_origin, 120, TK_GROUP_DOUBLE, 1),
    ROW(TkViewRecord, ucs_x_axis, 121, TK_GROUP_DOUBLE, 1),
    ROW(TkViewRecord, ucs_y_axis, 122, TK_GROUP_DOUBLE, 1),
    ROW(TkViewRecord, ucs_origin, 130, TK_GROUP_DOUBLE, 2),
    ROW(TkViewRecord, ucs_x_axis, 131, TK_GROUP_DOUBLE, 2),
    ROW(TkViewRecord, ucs_y_axis, 132, TK_GROUP_DOUBLE, 2),
    ROW(TkViewRecord, elevation, 146, TK_GROUP_DOUBLE, 0),
    ROW(TkViewRecord, render_mode, 281, TK_GROUP_INT16, 0),
    ROW(TkViewRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkViewRecord, ucs, 345, TK_GROUP_HANDLE, 0),
    ROW(TkViewRecord, base_ucs, 346, TK_GROUP_HANDLE, 0),
    ROW(TkViewRecord, xdict, 360, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kVportRows[] = {
    ROW(TkVportRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkVportRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkVportRecord, lower_left, 10, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, upper_right, 11, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, center, 12, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, snap_base, 13, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, snap_spacing, 14, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, grid_spacing, 15, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, direction, 16, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, target, 17, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, lower_left, 20, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, upper_right, 21, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, center, 22, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, snap_base, 23, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, snap_spacing, 24, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, grid_spacing, 25, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, direction, 26, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, target, 27, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, direction, 36, TK_GROUP_DOUBLE, 2),
    ROW(TkVportRecord, target, 37, TK_GROUP_DOUBLE, 2),
    ROW(TkVportRecord, height, 40, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, aspect_ratio, 41, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, lens_length, 42, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, front_clip, 43, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, back_clip, 44, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, snap_angle, 50, TK_GROUP_ANGLE, 0),
    ROW(TkVportRecord, twist, 51, TK_GROUP_ANGLE, 0),
    ROW(TkVportRecord, ucs_per_viewport, 65, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkVportRecord, view_mode, 71, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, circle_zoom, 72, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, fast_zoom, 73, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, ucs_icon, 74, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, snap_on, 75, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, grid_on, 76, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, snap_style, 77, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, snap_isopair, 78, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, ortho_type, 79, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, ucs_origin, 110, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, ucs_x_axis, 111, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, ucs_y_axis, 112, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, ucs_origin, 120, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, ucs_x_axis, 121, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, ucs_y_axis, 122, TK_GROUP_DOUBLE, 1),
    ROW(TkVportRecord, ucs_origin, 130, TK_GROUP_DOUBLE, 2),
    ROW(TkVportRecord, ucs_x_axis, 131, TK_GROUP_DOUBLE, 2),
    ROW(TkVportRecord, ucs_y_axis, 132, TK_GROUP_DOUBLE, 2),
    ROW(TkVportRecord, elevation, 146, TK_GROUP_DOUBLE, 0),
    ROW(TkVportRecord, render_mode, 281, TK_GROUP_INT16, 0),
    ROW(TkVportRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkVportRecord, ucs, 345, TK_GROUP_HANDLE, 0),
    ROW(TkVportRecord, base_ucs, 346, TK_GROUP_HANDLE, 0),
    ROW(TkVportRecord, xdict, 360, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kAppidRows[] = {
    ROW(TkAppIdRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkAppIdRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkAppIdRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkAppIdRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkAppIdRecord, xdict, 360, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kDimstyleRows[] = {
    ROW(TkDimStyleRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkDimStyleRecord, dimpost, 3, TK_GROUP_TEXT, 0),
    ROW(TkDimStyleRecord, dimapost, 4, TK_GROUP_TEXT, 0),
    ROW(TkDimStyleRecord, dimblk, 5, TK_GROUP_NAME, 0),
    ROW(TkDimStyleRecord, dimblk1, 6, TK_GROUP_NAME, 0),
    ROW(TkDimStyleRecord, dimblk2, 7, TK_GROUP_NAME, 0),
    ROW(TkDimStyleRecord, dimscale, 40, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimasz, 41, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimexo, 42, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimdli, 43, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimexe, 44, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimrnd, 45, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimdle, 46, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimtp, 47, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimtm, 48, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtol, 71, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimlim, 72, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtih, 73, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtoh, 74, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimse1, 75, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimse2, 76, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtad, 77, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimzin, 78, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimazin, 79, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, handle, 105, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, dimtxt, 140, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimcen, 141, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimtsz, 142, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimaltf, 143, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimlfac, 144, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimtvp, 145, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimtfac, 146, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimgap, 147, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimaltrnd, 148, TK_GROUP_DOUBLE, 0),
    ROW(TkDimStyleRecord, dimalt, 170, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimaltd, 171, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtofl, 172, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimsah, 173, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtix, 174, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimsoxd, 175, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimclrd, 176, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimclre, 177, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimclrt, 178, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimadec, 179, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimlunit, 270, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimdec, 271, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimtdec, 272, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimaltu, 273, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimalttd, 274, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimaunit, 275, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimfrac, 276, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimlunit, 277, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimdsep, 278, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimtmove, 279, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimjust, 280, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimsd1, 281, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimsd2, 282, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtolj, 283, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimtzin, 284, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimaltz, 285, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimalttz, 286, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimfit, 287, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, dimupt, 288, TK_GROUP_BYTE, 0),
    ROW(TkDimStyleRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, dimtxsty, 340, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, dimldrblk, 341, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, dimblk, 342, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, dimblk1, 343, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, dimblk2, 344, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, xdict, 360, TK_GROUP_HANDLE, 0),
    ROW(TkDimStyleRecord, dimlwd, 371, TK_GROUP_INT16, 0),
    ROW(TkDimStyleRecord, dimlwe, 372, TK_GROUP_INT16, 0),
};

const TkGroupDesc kUcsRows[] = {
    ROW(TkUcsRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkUcsRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkUcsRecord, origin, 10, TK_GROUP_DOUBLE, 0),
    ROW(TkUcsRecord, x_axis, 11, TK_GROUP_DOUBLE, 0),
    ROW(TkUcsRecord, y_axis, 12, TK_GROUP_DOUBLE, 0),
    ROW(TkUcsRecord, ortho_origin, 13, TK_GROUP_DOUBLE, 0),
    ROW(TkUcsRecord, origin, 20, TK_GROUP_DOUBLE, 1),
    ROW(TkUcsRecord, x_axis, 21, TK_GROUP_DOUBLE, 1),
    ROW(TkUcsRecord, y_axis, 22, TK_GROUP_DOUBLE, 1),
    ROW(TkUcsRecord, ortho_origin, 23, TK_GROUP_DOUBLE, 1),
    ROW(TkUcsRecord, origin, 30, TK_GROUP_DOUBLE, 2),
    ROW(TkUcsRecord, x_axis, 31, TK_GROUP_DOUBLE, 2),
    ROW(TkUcsRecord, y_axis, 32, TK_GROUP_DOUBLE, 2),
    ROW(TkUcsRecord, ortho_origin, 33, TK_GROUP_DOUBLE, 2),
    ROW(TkUcsRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkUcsRecord, ortho_type, 71, TK_GROUP_INT16, 0),
    ROW(TkUcsRecord, ortho_view, 79, TK_GROUP_INT16, 0),
    ROW(TkUcsRecord, elevation, 146, TK_GROUP_DOUBLE, 0),
    ROW(TkUcsRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkUcsRecord, base_ucs, 346, TK_GROUP_HANDLE, 0),
    ROW(TkUcsRecord, xdict, 360, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kBlockRows[] = {
    ROW(TkBlockRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkBlockRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkBlockRecord, flags, 70, TK_GROUP_BYTE, 0),
    ROW(TkBlockRecord, index, 71, TK_GROUP_BYTE, 0),
    ROW(TkBlockRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkBlockRecord, layout, 340, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kBlockRecordRows[] = {
    ROW(TkBlockRecord, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkBlockRecord, handle, 5, TK_GROUP_HANDLE, 0),
    ROW(TkBlockRecord, owner, 330, TK_GROUP_HANDLE, 0),
    ROW(TkBlockRecord, layout, 340, TK_GROUP_HANDLE, 0),
    ROW(TkBlockRecord, blkrefs_dictionary, 360, TK_GROUP_HANDLE, 0),
};

const TkGroupDesc kMlineStyleRows[] = {
    ROW(TkMlineStyleData, name, 2, TK_GROUP_TEXT, 0),
    ROW(TkMlineStyleData, description, 3, TK_GROUP_TEXT, 0),
    ROW(TkMlineStyleData, start_angle, 51, TK_GROUP_ANGLE, 0),
    ROW(TkMlineStyleData, end_angle, 52, TK_GROUP_ANGLE, 0),
    ROW(TkMlineStyleData, fill_colour, 62, TK_GROUP_INT16, 0),
    ROW(TkMlineStyleData, flags, 70, TK_GROUP_INT16, 0),
    ROW(TkMlineStyleData, element_count, 71, TK_GROUP_INT16, 0),
};

const TkGroupDesc kClassRows[] = {
    ROW(TkClassRecord, dxf_name, 1, TK_GROUP_TEXT, 0),
    ROW(TkClassRecord, class_name, 2, TK_GROUP_TEXT, 0),
    ROW(TkClassRecord, application, 3, TK_GROUP_TEXT, 0),
    ROW(TkClassRecord, proxy_flags, 90, TK_GROUP_INT16, 0),
    ROW(TkClassRecord, was_proxy, 280, TK_GROUP_INT16, 0),
    ROW(TkClassRecord, item_class, 281, TK_GROUP_INT16, 0),
};

#undef ROW

#define TABLE(kind, rows) {kind, rows, sizeof rows / sizeof rows[0]}

}  // namespace

const TkGroupTable tk_group_tables[TK_GROUP_KIND_COUNT] = {
    TABLE("LTYPE", kLtypeRows),       TABLE("LAYER", kLayerRows), TABLE("STYLE", kStyleRows),
    TABLE("VIEW", kViewRows),         TABLE("VPORT", kVportRows), TABLE("APPID", kAppidRows),
    TABLE("DIMSTYLE", kDimstyleRows), TABLE("UCS", kUcsRows),     TABLE("BLOCK", kBlockRows),
    TABLE("BLOCK_RECORD", kBlockRecordRows), TABLE("MLINESTYLE", kMlineStyleRows),
    TABLE("CLASS", kClassRows),
};

#undef TABLE

const TkGroupDesc* tk_group_find(const TkGroupTable* table, int16_t code) {
  size_t lo = 0, hi = table->count;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (table->rows[mid].code == code) return &table->rows[mid];
    if (table->rows[mid].code < code)
      lo = mid + 1;
    else
      hi = mid;
  }
  return nullptr;
}
