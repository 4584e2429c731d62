// Compares a page rendered to PNG with its reference within a tolerance:
// both images the same size, and in every square of BLOCK by BLOCK pixels
// the mean grey level (0 black to 255 white) differing by at most
// TOLERANCE.  Averaging over squares forgives what font rasterizers and
// anti-aliasing change from one system to the next, and still sees a
// missing line, a moved column or a missing bar.
//
//   qelrpt_compare_png REFERENCE.png ACTUAL.png BLOCK TOLERANCE
//
// Exit status: 0 alike; 1 different (the squares that differ most are
// named); 2 an image cannot be read, or wrong arguments.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct SurfaceFree {
    void operator()(cairo_surface_t *surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;

struct Grey {
    int width = 0, height = 0;
    std::vector<int> levels;  // row by row
    int At(int x, int y) const {
        return levels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// The image's grey levels: the mean of red, green and blue, over white
// where it is transparent.
bool Read(const char *path, Grey &grey) {
    const Surface surface(cairo_image_surface_create_from_png(path));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "qelrpt_compare_png: cannot read %s: %s\n", path,
                     cairo_status_to_string(cairo_surface_status(surface.get())));
        return false;
    }
    cairo_surface_flush(surface.get());
    const cairo_format_t format = cairo_image_surface_get_format(surface.get());
    if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) {
        std::fprintf(stderr, "qelrpt_compare_png: %s is not an RGB or grey image\n", path);
        return false;
    }
    grey.width = cairo_image_surface_get_width(surface.get());
    grey.height = cairo_image_surface_get_height(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char *data = cairo_image_surface_get_data(surface.get());
    grey.levels.clear();
    for (int y = 0; y < grey.height; ++y) {
        for (int x = 0; x < grey.width; ++x) {
            std::uint32_t pixel = 0;
            std::copy_n(data + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x) * 4, 4,
                        reinterpret_cast<unsigned char *>(&pixel));  // NOLINT: a pixel's bytes
            const int alpha = format == CAIRO_FORMAT_ARGB32 ? static_cast<int>(pixel >> 24U) : 255;
            const int red = static_cast<int>((pixel >> 16U) & 0xFFU), green = static_cast<int>((pixel >> 8U) & 0xFFU);
            const int blue = static_cast<int>(pixel & 0xFFU);
            // Premultiplied: white shows through what is transparent.
            grey.levels.push_back((red + green + blue) / 3 + (255 - alpha));
        }
    }
    return true;
}

double BlockMean(const Grey &grey, int left, int top, int block) {
    long sum = 0;
    int count = 0;
    for (int y = top; y < std::min(top + block, grey.height); ++y) {
        for (int x = left; x < std::min(left + block, grey.width); ++x) {
            sum += grey.At(x, y);
            ++count;
        }
    }
    return count > 0 ? static_cast<double>(sum) / count : 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: qelrpt_compare_png REFERENCE.png ACTUAL.png BLOCK TOLERANCE\n");
        return 2;
    }
    const int block = std::atoi(argv[3]);
    const double tolerance = std::atof(argv[4]);
    Grey reference, actual;
    if (block < 1 || !Read(argv[1], reference) || !Read(argv[2], actual)) return 2;
    if (reference.width != actual.width || reference.height != actual.height) {
        std::printf("the page is %dx%d pixels, its reference %dx%d\n", actual.width, actual.height, reference.width,
                    reference.height);
        return 1;
    }
    double worst = 0;
    int over = 0, blocks = 0;
    std::string where;
    for (int top = 0; top < reference.height; top += block) {
        for (int left = 0; left < reference.width; left += block) {
            const double difference =
                std::abs(BlockMean(reference, left, top, block) - BlockMean(actual, left, top, block));
            ++blocks;
            if (difference > tolerance) ++over;
            if (difference > worst) {
                worst = difference;
                where = std::to_string(left) + "," + std::to_string(top);
            }
        }
    }
    std::printf("%d of %d squares of %d pixels differ by more than %.1f grey levels; the most, %.1f, at %s\n", over,
                blocks, block, tolerance, worst, where.empty() ? "none" : where.c_str());
    return over == 0 ? 0 : 1;
}
