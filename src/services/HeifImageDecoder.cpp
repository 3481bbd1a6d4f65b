#include "services/HeifImageDecoder.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

struct ContextRelease {
    void operator()(heif_context *context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image *image) const { heif_image_release(image); }
};
struct OptionsRelease {
    void operator()(heif_decoding_options *options) const { heif_decoding_options_free(options); }
};

bool succeeded(const heif_error &error)
{
    return error.code == heif_error_Ok;
}

// The size stored in the file, before rotation, like the size test of the
// other formats; a derived image without one reports its output size.
QSize storedSize(const heif_image_handle *handle)
{
    const int width = heif_image_handle_get_ispe_width(handle);
    const int height = heif_image_handle_get_ispe_height(handle);
    if (width > 0 && height > 0)
        return QSize(width, height);
    return QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
}

QImage copied(const heif_image *image, bool alpha, bool premultiplied)
{
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0)
        return QImage();
    const QImage::Format format = !alpha          ? QImage::Format_RGB888
                                  : premultiplied ? QImage::Format_RGBA8888_Premultiplied
                                                  : QImage::Format_RGBA8888;
    QImage result(width, height, format);
    if (result.isNull())
        return QImage();
    const size_t rowBytes = size_t(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y)
        std::memcpy(result.scanLine(y), plane + qsizetype(y) * stride, rowBytes);
    return result;
}

} // namespace

bool HeifImageDecoder::recognises(QByteArrayView bytes)
{
    const int length = int(std::min<qsizetype>(bytes.size(), 64));
    return length >= 12 &&
           heif_check_filetype(reinterpret_cast<const uint8_t *>(bytes.data()), length) != heif_filetype_no;
}

QImage HeifImageDecoder::decode(QByteArrayView bytes, const std::function<bool(QSize)> &acceptsSize)
{
    const std::unique_ptr<heif_context, ContextRelease> context(heif_context_alloc());
    if (!context)
        return QImage();
    if (!succeeded(
            heif_context_read_from_memory_without_copy(context.get(), bytes.data(), size_t(bytes.size()), nullptr)))
        return QImage();
    heif_image_handle *primary = nullptr;
    if (!succeeded(heif_context_get_primary_image_handle(context.get(), &primary)))
        return QImage();
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(primary);
    if (!acceptsSize(storedSize(handle.get())))
        return QImage();

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsRelease> options(heif_decoding_options_alloc());
    // The default, said out loud: rotation and mirroring are applied.
    options->ignore_transformations = 0;
    heif_image *decoded = nullptr;
    if (!succeeded(heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                                     alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                     options.get())))
        return QImage();
    const std::unique_ptr<heif_image, ImageRelease> image(decoded);
    return copied(image.get(), alpha, heif_image_handle_is_premultiplied_alpha(handle.get()) != 0);
}
