/* The demo gallery: pages of what libgx draws through its public interface. */
#ifndef GALLERY_H_
#define GALLERY_H_

#include <gx.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The size of every page, in user units (device pixels at the identity CTM). */
#define GALLERY_WIDTH 512
#define GALLERY_HEIGHT 384

int GalleryPageCount(void);
/* A short name for page (0 .. GalleryPageCount() - 1), fit for a file name. */
const char* GalleryPageName(int page);
/* Draws page into target, which is in a paint with the page's area white at the user
   origin. Returns how many calls failed (each reported on stderr). */
int GalleryDrawPage(int page, GXRenderTargetRec_* target);

/* Paints all of a width x height target dark grey with page centred on it, scaled to fit
   with a margin: what the viewer shows. The target must be in a paint. Returns how many
   calls failed. */
int GalleryDrawFitted(int page, GXRenderTargetRec_* target, int width, int height);

#ifdef __cplusplus
}
#endif

#endif /* GALLERY_H_ */
