// 4x4 matrices and 3D vectors for every coordinate transformation of the toolkit: entity
// coordinate systems from an extrusion, block insertion, text placement, arcs and circles from
// points. Plain functions on caller-owned arrays of doubles; nothing here allocates or fails.
// Row vectors: a point p maps to p * M, so the translation is the fourth row.
#pragma once

#include <cstdint>

// 16 doubles, row-major.
using TkMatrix = double[16];

// A direction's x and y both below this in magnitude count as "along Z" for the entity
// coordinate system, which then builds its X axis from world Y instead of world Z.
constexpr double TK_ARBITRARY_AXIS_LIMIT = 1.0 / 64.0;

extern const double tk_matrix_identity_table[16];

void tk_matrix_identity(double out[16]);
// out = a * b; out may be a or b.
void tk_matrix_multiply(const double a[16], const double b[16], double out[16]);
// In place; a singular matrix gives non-finite entries.
void tk_matrix_invert(double m[16]);
// out = point * m (all four components); out may be point.
void tk_matrix_transform_point4(const double point[4], const double m[16], double out[4]);
// m = T(v) * m: moves along the matrix's own axes.
void tk_matrix_translate_local(const double v[3], double m[16]);
// m = m * T: moves along world axes after the matrix.
void tk_matrix_translate(double tx, double ty, double tz, double m[16]);
// m = S * m about the matrix's own origin.
void tk_matrix_apply_scale(double sx, double sy, double sz, double m[16]);
// m = Rz * m.
void tk_matrix_rotate_z(double angle, double m[16]);
void tk_rotate_point_about_axis(double point[3], const double axis_point[3],
                                const double axis_direction[3], double angle);
// The entity coordinate system of an extrusion direction (the arbitrary-axis rule).
void tk_matrix_from_extrusion(const double n[3], double out[16]);

// Vectors: outputs are 4 doubles with w = 1.0.
void tk_vec3_normal_3pt(const double p0[3], const double p1[3], const double p2[3], double out[4]);
void tk_circle_centre_3pt(const double p0[3], const double p1[3], const double p2[3],
                          double normal[4], double centre[3]);
// p = p * V with the global state's view matrix (x, y, z; its translation row added).
void tk_vec3_transform_view(double point[3]);
double tk_vec3_distance(const double a[3], const double b[3]);
void tk_vec3_cross(const double a[3], const double b[3], double out[4]);
// x, y, z divided by their length; a zero vector stays as it is.
void tk_vec3_normalize(double v[4]);
void tk_vec3_cross_unit(const double a[3], const double b[3], double out[4]);
// Direction angle in (-pi, pi]; the zero vector gives pi/2.
double tk_vec2_angle(const double v[2]);
// 0 when the direction from p to q lies within 15 degrees of an axis, else 1.
uint8_t tk_direction_is_oblique(const double p[3], const double q[3]);
void tk_arc_from_chord(const double p0[2], const double p1[2], double angle, double* centre_x,
                       double* centre_y, double* radius);
