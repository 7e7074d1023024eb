// The entity operations of the reader of DWG files of AC1002 to AC1009: beginning the walk of
// the entity section or of one block's entities, and reading the next entity record.
#pragma once

#include <cstddef>
#include <cstdint>

// Places in the data record (the entity layout's byte places) of the fields these records
// carry; the writer of the same releases takes them from here.
namespace dwg_old_place {

enum : size_t {
  shape_size = 24, shape_number = 32, shape_rotation = 40, shape_width = 48, shape_oblique = 56,
  text_attrs = 24, attdef_attrs = 32,
  attrs_height = 0, attrs_rotation = 8, attrs_width = 16, attrs_oblique = 24,
  attrs_generation = 32, attrs_horizontal = 33, attrs_vertical = 34, attrs_align = 40,
  att_flags = 24, att_field_length = 26,
  block_name = 24, block_path = 536,
  insert_attribs = 0, insert_point = 8, insert_scale = 32, insert_rotation = 56,
  insert_row_spacing = 64, insert_column_spacing = 72, insert_rows = 80, insert_columns = 82,
  polyline_elevation = 0, polyline_start_width = 8, polyline_end_width = 16,
  polyline_curve = 24, polyline_m_density = 26, polyline_n_density = 28,
  polyline_m_count = 30, polyline_n_count = 32, polyline_flags = 34,
  vertex_start_width = 32, vertex_end_width = 40, vertex_start_given = 48, vertex_end_given = 50,
  vertex_bulge = 56, vertex_tangent = 64, vertex_face = 74,
  face_flags = 96,
  dim_clone = 8, dim_type = 32, dim_arc = 40, dim_second = 64, dim_third = 88, dim_fourth = 112,
  dim_leader = 136, dim_angle = 144, dim_text_rotation = 152, dim_oblique = 160,
  dim_middle = 168, dim_definition = 192, dim_horizontal = 216, dim_extra = 264,
  viewport_centre = 16, viewport_width = 40, viewport_height = 48,
};
}  // namespace dwg_old_place

struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;

// The entity section (model and paper space).
int16_t dwg_old_begin_entities(TkDrawing* drawing);
// The entities of the drawing's reading block, from where its BLOCK table record said.
int16_t dwg_old_begin_block_entities(TkDrawing* drawing);
// The next entity not marked erased; 0 at the end of the walk, at a kind the release does not
// have, or at a damaged record (then with an error number).
int16_t dwg_old_read_entity(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data,
                            uint8_t* has_xdata);
