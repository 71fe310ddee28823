/* Writes the Cairo part of gxpdf's test corpus: a PDF whose pages exercise what a PDF
   interpreter hands a renderer (paths, strokes, clips, subset fonts, images, groups, soft
   masks, blend modes, shadings and meshes). Usage: cairocorpus out.pdf */
#include <cairo-pdf.h>
#include <cairo.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define WIDTH 612.0
#define HEIGHT 792.0

static void Star(cairo_t* cr, double cx, double cy, double r) {
    for (int i = 0; i < 5; ++i) {
        const double a = -M_PI / 2 + i * 4 * M_PI / 5;
        if (i == 0) cairo_move_to(cr, cx + r * cos(a), cy + r * sin(a));
        else cairo_line_to(cr, cx + r * cos(a), cy + r * sin(a));
    }
    cairo_close_path(cr);
}

/* Fills under both rules, curves, strokes of every cap, join and dash, hairlines, clips. */
static void VectorPage(cairo_t* cr) {
    cairo_set_source_rgb(cr, 0.8, 0.1, 0.1);
    Star(cr, 110, 110, 80);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
    Star(cr, 300, 110, 80);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);

    cairo_set_source_rgba(cr, 0.1, 0.6, 0.2, 0.7);
    cairo_move_to(cr, 400, 40);
    cairo_curve_to(cr, 600, 20, 420, 200, 580, 190);
    cairo_curve_to(cr, 500, 120, 380, 220, 400, 40);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);

    const cairo_line_cap_t caps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
    const cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL};
    for (int i = 0; i < 3; ++i) {
        cairo_set_line_width(cr, 14);
        cairo_set_line_cap(cr, caps[i]);
        cairo_set_line_join(cr, joins[i]);
        cairo_set_miter_limit(cr, i == 0 ? 10 : 2);
        cairo_set_source_rgb(cr, 0.2 + 0.3 * i, 0.3, 0.6 - 0.2 * i);
        cairo_move_to(cr, 60 + 180 * i, 320);
        cairo_line_to(cr, 110 + 180 * i, 240);
        cairo_line_to(cr, 160 + 180 * i, 320);
        cairo_line_to(cr, 175 + 180 * i, 260);
        cairo_stroke(cr);
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    const double dashes[][4] = {{12, 6}, {2, 4, 10, 4}, {20, 5, 5, 5}};
    for (int i = 0; i < 3; ++i) {
        cairo_set_dash(cr, dashes[i], i == 0 ? 2 : 4, 3.0 * i);
        cairo_set_line_width(cr, 1.5 + 2 * i);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_move_to(cr, 50, 360 + 25 * i);
        cairo_curve_to(cr, 200, 330 + 25 * i, 400, 400 + 25 * i, 560, 360 + 25 * i);
        cairo_stroke(cr);
    }
    cairo_set_dash(cr, NULL, 0, 0);
    /* Hairlines: Cairo writes width 0 for its thinnest line. */
    cairo_set_line_width(cr, 0);
    for (int i = 0; i < 24; ++i) {
        cairo_move_to(cr, 50 + 10 * i, 450);
        cairo_line_to(cr, 80 + 14 * i, 520);
    }
    cairo_stroke(cr);
    cairo_set_line_width(cr, 0.25);
    for (int i = 0; i < 12; ++i) cairo_arc(cr, 460, 490, 4 + 5 * i, 0, 2 * M_PI), cairo_new_sub_path(cr);
    cairo_stroke(cr);

    /* Clips: an ellipse intersected with an even-odd star, then stripes. */
    cairo_save(cr);
    cairo_save(cr);
    cairo_translate(cr, 200, 660);
    cairo_scale(cr, 150, 90);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_clip(cr);
    Star(cr, 200, 660, 110);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
    for (int i = 0; i < 20; ++i) {
        cairo_set_source_rgb(cr, i % 2, 0.5, 1 - i % 2 * 0.5);
        cairo_rectangle(cr, 40 + 16 * i, 540, 16, 240);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    /* A rotated, sheared rounded frame. */
    cairo_save(cr);
    cairo_translate(cr, 470, 660);
    cairo_rotate(cr, 0.4);
    cairo_transform(cr, &(cairo_matrix_t){1, 0, 0.5, 1, 0, 0});
    cairo_rectangle(cr, -60, -40, 120, 80);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0.9, 0.6, 0);
    cairo_set_line_width(cr, 6);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_stroke(cr);
}

/* Text in an embedded subset font at several sizes and angles. */
static void TextPage(cairo_t* cr) {
    static const char* lines[] = {
        "The quick brown fox jumps over the lazy dog. 0123456789",
        "Pack my box with five dozen liquor jugs! (&%$#@)",
        "Sphinx of black quartz, judge my vow; glib jocks quiz nymph.",
    };
    double y = 40;
    for (int size = 7; size <= 22; size += 3) {
        cairo_select_font_face(cr, size % 2 ? "DejaVu Serif" : "DejaVu Sans",
                               CAIRO_FONT_SLANT_NORMAL,
                               size > 15 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, size);
        for (int i = 0; i < 3; ++i) {
            y += size * 1.3;
            cairo_move_to(cr, 30, y);
            cairo_set_source_rgb(cr, 0.1 * i, 0, 0.2 * i);
            cairo_show_text(cr, lines[i]);
        }
    }
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL);
    for (int i = 0; i < 8; ++i) {
        cairo_save(cr);
        cairo_translate(cr, 300, 600);
        cairo_rotate(cr, i * M_PI / 4);
        cairo_set_font_size(cr, 18);
        cairo_move_to(cr, 30, 0);
        cairo_set_source_rgb(cr, i / 8.0, 0.3, 1 - i / 8.0);
        cairo_show_text(cr, "libgx text");
        cairo_restore(cr);
    }
    /* Paragraph in small type, the way most pages look. */
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 8);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (int i = 0; i < 8; ++i) {
        cairo_move_to(cr, 30, 720 + 10 * i);
        cairo_show_text(cr, "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod "
                            "tempor incididunt ut labore et dolore magna aliqua.");
    }
}

static cairo_surface_t* Picture(int w, int h, int withAlpha) {
    cairo_surface_t* image =
        cairo_image_surface_create(withAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w, h);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < h; ++y) {
        unsigned int* row = (unsigned int*)(data + y * stride);
        for (int x = 0; x < w; ++x) {
            const unsigned r = 255u * x / w, g = 255u * y / h, b = ((x / 4 + y / 4) % 2) * 255u;
            const unsigned a = withAlpha ? 255u - 255u * (unsigned)abs(x - w / 2) * 2 / w : 255u;
            row[x] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
        }
    }
    cairo_surface_mark_dirty(image);
    return image;
}

/* Paints image at (x, y) scaled by (sx, sy), rotated by angle, with filter and extend. */
static void PaintImage(cairo_t* cr, cairo_surface_t* image, double x, double y, double sx,
                       double sy, double angle, cairo_filter_t filter, cairo_extend_t extend) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), filter);
    cairo_pattern_set_extend(cairo_get_source(cr), extend);
    cairo_paint(cr);
    cairo_restore(cr);
}

/* Images: scaled up sharp and smooth, scaled down, with an alpha channel, rotated, tiled. */
static void ImagePage(cairo_t* cr) {
    cairo_surface_t* small = Picture(16, 12, 0);
    cairo_surface_t* big = Picture(400, 300, 0);
    cairo_surface_t* alpha = Picture(64, 64, 1);
    PaintImage(cr, small, 40, 40, 15, 15, 0, CAIRO_FILTER_NEAREST, CAIRO_EXTEND_NONE);
    PaintImage(cr, small, 320, 40, 15, 15, 0, CAIRO_FILTER_GOOD, CAIRO_EXTEND_NONE);
    PaintImage(cr, big, 40, 260, 0.5, 0.5, 0, CAIRO_FILTER_GOOD, CAIRO_EXTEND_NONE);
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.9);
    cairo_rectangle(cr, 300, 260, 260, 200);
    cairo_fill(cr);
    PaintImage(cr, alpha, 330, 280, 3, 2.5, 0, CAIRO_FILTER_GOOD, CAIRO_EXTEND_NONE);
    /* A rotated picture, then a tiled one (Cairo writes a tiling pattern) in a band. */
    cairo_save(cr);
    cairo_rectangle(cr, 40, 480, 220, 280);
    cairo_clip(cr);
    PaintImage(cr, big, 60, 640, 0.5, 0.5, -0.5, CAIRO_FILTER_GOOD, CAIRO_EXTEND_NONE);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_rectangle(cr, 300, 480, 260, 280);
    cairo_clip(cr);
    PaintImage(cr, small, 300, 480, 2, 2, 0, CAIRO_FILTER_NEAREST, CAIRO_EXTEND_REPEAT);
    cairo_restore(cr);
    cairo_surface_destroy(small);
    cairo_surface_destroy(big);
    cairo_surface_destroy(alpha);
}

/* Groups with constant alpha, the sixteen blend modes, soft masks of both kinds. */
static void TransparencyPage(cairo_t* cr) {
    const cairo_operator_t modes[16] = {
        CAIRO_OPERATOR_OVER,       CAIRO_OPERATOR_MULTIPLY,    CAIRO_OPERATOR_SCREEN,
        CAIRO_OPERATOR_OVERLAY,    CAIRO_OPERATOR_DARKEN,      CAIRO_OPERATOR_LIGHTEN,
        CAIRO_OPERATOR_COLOR_DODGE, CAIRO_OPERATOR_COLOR_BURN, CAIRO_OPERATOR_HARD_LIGHT,
        CAIRO_OPERATOR_SOFT_LIGHT, CAIRO_OPERATOR_DIFFERENCE,  CAIRO_OPERATOR_EXCLUSION,
        CAIRO_OPERATOR_HSL_HUE,    CAIRO_OPERATOR_HSL_SATURATION, CAIRO_OPERATOR_HSL_COLOR,
        CAIRO_OPERATOR_HSL_LUMINOSITY};
    for (int i = 0; i < 16; ++i) {
        const double x = 30 + (i % 4) * 140, y = 30 + (i / 4) * 105;
        cairo_pattern_t* back = cairo_pattern_create_linear(x, y, x + 120, y);
        cairo_pattern_add_color_stop_rgb(back, 0, 0.9, 0.2, 0.1);
        cairo_pattern_add_color_stop_rgb(back, 1, 0.1, 0.3, 0.9);
        cairo_set_source(cr, back);
        cairo_rectangle(cr, x, y, 120, 90);
        cairo_fill(cr);
        cairo_pattern_destroy(back);
        cairo_set_operator(cr, modes[i]);
        cairo_set_source_rgba(cr, 0.2, 0.8, 0.4, 0.9);
        cairo_arc(cr, x + 60, y + 45, 38, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.95, 0.9, 0.2);
        cairo_rectangle(cr, x + 10, y + 55, 100, 25);
        cairo_fill(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }
    /* A group of overlapping shapes at half opacity: the overlap must not show. */
    cairo_push_group(cr);
    cairo_set_source_rgb(cr, 0.8, 0.1, 0.5);
    cairo_rectangle(cr, 40, 470, 120, 90);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.1, 0.5, 0.8);
    cairo_arc(cr, 150, 540, 55, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.5);
    /* Soft masks: a radial gradient's alpha, and a luminosity-like mask from a group. */
    cairo_pattern_t* fade = cairo_pattern_create_radial(360, 520, 10, 360, 520, 90);
    cairo_pattern_add_color_stop_rgba(fade, 0, 0, 0, 0, 1);
    cairo_pattern_add_color_stop_rgba(fade, 1, 0, 0, 0, 0);
    cairo_set_source_rgb(cr, 0.1, 0.6, 0.3);
    cairo_mask(cr, fade);
    cairo_pattern_destroy(fade);
    cairo_push_group(cr);
    for (int i = 0; i < 6; ++i) {
        cairo_set_source_rgba(cr, 0, 0, 0, (i + 1) / 6.0);
        cairo_rectangle(cr, 460 + 18 * i, 450, 18, 150);
        cairo_fill(cr);
    }
    cairo_pattern_t* stripes = cairo_pop_group(cr);
    cairo_set_source_rgb(cr, 0.9, 0.3, 0.1);
    cairo_mask(cr, stripes);
    cairo_pattern_destroy(stripes);
    /* Text through a group at partial opacity over a picture of colour bands. */
    for (int i = 0; i < 8; ++i) {
        cairo_set_source_rgb(cr, i / 7.0, 1 - i / 7.0, 0.5);
        cairo_rectangle(cr, 40 + 66 * i, 640, 66, 100);
        cairo_fill(cr);
    }
    cairo_push_group(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 48);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 60, 710);
    cairo_show_text(cr, "Transparency");
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.6);
}

/* Axial and radial shadings of many stops and both extends, and a Coons patch mesh. */
static void ShadingPage(cairo_t* cr) {
    cairo_pattern_t* linear = cairo_pattern_create_linear(40, 0, 280, 0);
    for (int i = 0; i <= 6; ++i) {
        cairo_pattern_add_color_stop_rgb(linear, i / 6.0, (i % 3) / 2.0, (i % 2), 1 - i / 6.0);
    }
    cairo_set_source(cr, linear);
    cairo_rectangle(cr, 40, 40, 240, 150);
    cairo_fill(cr);
    cairo_pattern_set_extend(linear, CAIRO_EXTEND_PAD);
    cairo_save(cr);
    cairo_translate(cr, 300, 0);
    cairo_rotate(cr, 0.2);
    cairo_rectangle(cr, 20, 40, 260, 150);
    cairo_restore(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(linear);

    cairo_pattern_t* radial = cairo_pattern_create_radial(150, 330, 10, 170, 340, 110);
    cairo_pattern_add_color_stop_rgb(radial, 0, 1, 1, 0.8);
    cairo_pattern_add_color_stop_rgb(radial, 0.5, 0.9, 0.3, 0.1);
    cairo_pattern_add_color_stop_rgb(radial, 1, 0.2, 0.0, 0.3);
    cairo_set_source(cr, radial);
    cairo_arc(cr, 160, 340, 120, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_set_extend(radial, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, radial);
    cairo_rectangle(cr, 320, 230, 250, 220);
    cairo_fill(cr);
    cairo_pattern_destroy(radial);

    cairo_pattern_t* mesh = cairo_pattern_create_mesh();
    cairo_mesh_pattern_begin_patch(mesh);
    cairo_mesh_pattern_move_to(mesh, 60, 500);
    cairo_mesh_pattern_curve_to(mesh, 150, 440, 220, 560, 300, 500);
    cairo_mesh_pattern_curve_to(mesh, 340, 580, 260, 660, 300, 740);
    cairo_mesh_pattern_curve_to(mesh, 200, 700, 160, 780, 60, 740);
    cairo_mesh_pattern_curve_to(mesh, 100, 660, 20, 600, 60, 500);
    cairo_mesh_pattern_set_corner_color_rgb(mesh, 0, 1, 0, 0);
    cairo_mesh_pattern_set_corner_color_rgb(mesh, 1, 0, 1, 0);
    cairo_mesh_pattern_set_corner_color_rgb(mesh, 2, 0, 0, 1);
    cairo_mesh_pattern_set_corner_color_rgb(mesh, 3, 1, 1, 0);
    cairo_mesh_pattern_end_patch(mesh);
    cairo_mesh_pattern_begin_patch(mesh);
    cairo_mesh_pattern_move_to(mesh, 360, 500);
    cairo_mesh_pattern_line_to(mesh, 560, 520);
    cairo_mesh_pattern_line_to(mesh, 460, 740);
    cairo_mesh_pattern_set_corner_color_rgb(mesh, 0, 0.1, 0.2, 0.9);
    cairo_mesh_pattern_set_corner_color_rgb(mesh, 1, 0.9, 0.9, 0.1);
    cairo_mesh_pattern_set_corner_color_rgb(mesh, 2, 0.9, 0.1, 0.4);
    cairo_mesh_pattern_end_patch(mesh);
    cairo_set_source(cr, mesh);
    cairo_paint(cr);
    cairo_pattern_destroy(mesh);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: cairocorpus out.pdf\n");
        return 2;
    }
    cairo_surface_t* surface = cairo_pdf_surface_create(argv[1], WIDTH, HEIGHT);
    cairo_t* cr = cairo_create(surface);
    void (*pages[])(cairo_t*) = {VectorPage, TextPage, ImagePage, TransparencyPage, ShadingPage};
    for (size_t i = 0; i < sizeof pages / sizeof pages[0]; ++i) {
        cairo_save(cr);
        pages[i](cr);
        cairo_restore(cr);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const int ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok ? 0 : 1;
}
