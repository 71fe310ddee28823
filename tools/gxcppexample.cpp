// The C example's tour through gx.hpp: handles give themselves back, failures throw
// gx::Error, a paint pass ends itself and a state guard restores what it saved.
#include <gx.hpp>

#include <cstdio>

int main() {
    try {
        gx::Bitmap bitmap = gx::Bitmap::Create({64, 32, GXPixelFormatARGB32, 96.0f, 96.0f});
        gx::RenderTarget target = gx::RenderTarget::CreateForBitmap(bitmap);
        gx::Brush red = gx::Brush::CreateSolidARGB(0x80FF0000u);

        gx::Geometry path = gx::Geometry::Create();
        path.RoundRectangle({4.0f, 4.0f, 60.0f, 28.0f}, 6.0f, 6.0f);
        {
            gx::PaintPass pass(target);
            target.Clear(0xFFFFFFFFu);
            gx::StateGuard state(target);
            target.TranslateCTM(0.5f, 0.5f);
            target.FillGeometry(path, red);
        }

        uint32_t pixel = 0;
        bitmap.CopyToMemory({&pixel, 4, 4}, GXIntRect{32, 16, 33, 17});
        std::printf("half-transparent red over white reads 0x%08X\n", unsigned(pixel));
        if (auto end = path.CurrentPoint()) std::printf("path ends at (%g, %g)\n", end->x, end->y);
    } catch (const gx::Error& error) {
        std::fprintf(stderr, "%s (result %d)\n", error.what(), int(error.result()));
        return 1;
    }
    std::printf("libgx example finished\n");
    return 0;
}
