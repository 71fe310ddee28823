#include "platform/devicecontext.h"

namespace Platform {

namespace {

// A pixman image released at the end of a scope.
struct ImageRef {
    pixman_image_t* image = nullptr;
    ~ImageRef() {
        if (image) pixman_image_unref(image);
    }
};

}  // namespace

bool BitBlt(DeviceContext& destination, int32_t x, int32_t y, DeviceContext& source,
            const DeviceRect& sourceArea) {
    return StretchBlt(destination, {x, y, sourceArea.width, sourceArea.height}, source,
                      sourceArea);
}

bool StretchBlt(DeviceContext& destination, const DeviceRect& destinationArea,
                DeviceContext& source, const DeviceRect& sourceArea) {
    if (destinationArea.width <= 0 || destinationArea.height <= 0 || sourceArea.width <= 0 ||
        sourceArea.height <= 0)
        return true;
    // The source's own pixels when it keeps them, else a copy of the area read from it.
    ImageRef copy;
    pixman_image_t* from = source.GetPixelImage();
    int32_t fromX = sourceArea.x, fromY = sourceArea.y;
    if (!from) {
        copy.image = pixman_image_create_bits(PIXMAN_x8r8g8b8, sourceArea.width,
                                              sourceArea.height, nullptr, 0);
        if (!copy.image || !source.ReadPixels(sourceArea, copy.image)) return false;
        from = copy.image;
        fromX = fromY = 0;
    }
    // The destination's own pixels, or a staging image written to it afterwards.
    ImageRef staging;
    pixman_image_t* to = destination.GetPixelImage();
    int32_t toX = destinationArea.x, toY = destinationArea.y;
    if (!to) {
        staging.image = pixman_image_create_bits(PIXMAN_x8r8g8b8, destinationArea.width,
                                                 destinationArea.height, nullptr, 0);
        if (!staging.image) return false;
        to = staging.image;
        toX = toY = 0;
    }
    // Pixels the source does not have read as transparent black; copied with SRC they
    // arrive black (opaque in formats without alpha), as a blit from outside a device does.
    pixman_image_set_repeat(from, PIXMAN_REPEAT_NONE);
    const bool scaled = destinationArea.width != sourceArea.width ||
                        destinationArea.height != sourceArea.height;
    if (scaled) {
        // Destination pixel centre (i + 0.5, j + 0.5) of the area samples the source at
        // fromX + (i + 0.5) * sw / dw, and the nearest filter takes the pixel it falls in.
        pixman_transform_t transform;
        pixman_transform_init_identity(&transform);
        transform.matrix[0][0] =
            pixman_double_to_fixed(double(sourceArea.width) / destinationArea.width);
        transform.matrix[1][1] =
            pixman_double_to_fixed(double(sourceArea.height) / destinationArea.height);
        transform.matrix[0][2] = pixman_int_to_fixed(fromX);
        transform.matrix[1][2] = pixman_int_to_fixed(fromY);
        pixman_image_set_transform(from, &transform);
        pixman_image_set_filter(from, PIXMAN_FILTER_NEAREST, nullptr, 0);
        pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, toX, toY,
                                 destinationArea.width, destinationArea.height);
        pixman_image_set_transform(from, nullptr);
    } else {
        pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, fromX, fromY, 0, 0, toX, toY,
                                 destinationArea.width, destinationArea.height);
    }
    if (staging.image)
        return destination.WritePixels(destinationArea.x, destinationArea.y, staging.image,
                                       {0, 0, destinationArea.width, destinationArea.height});
    destination.PixelsWritten(destinationArea);
    return true;
}

}  // namespace Platform
