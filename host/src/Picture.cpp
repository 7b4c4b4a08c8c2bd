// Renders a frame's drawing record into a picture of the screen and writes it as PNG.
//
// The simulator's own drawing is a backdrop: sky and ground when it drew the first scene
// phase, black otherwise. Text uses DejaVu Sans at the height of the font's characters.
// OpenGL primitives are drawn flat in the colour current at their first vertex.
#include <GL/gl.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "HostState.h"

using namespace bmhost::detail;

namespace {

// A screen coordinate: wide enough that an int coordinate plus the offsets of drawing stays exact.
using Coord = long long;

struct Colour {
    float r, g, b, a;
};

class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * height * 3, 0.0f) {}

    // (x, y) with y upward, as the simulator's screen. Coordinates may lie anywhere: whatever
    // falls outside the canvas is left out.
    void Blend(Coord x, Coord y, const Colour& c, float coverage = 1.0f) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
        float* p = &pixels_[(std::size_t(height_ - 1 - y) * width_ + x) * 3];
        p[0] = p[0] * (1 - a) + c.r * a;
        p[1] = p[1] * (1 - a) + c.g * a;
        p[2] = p[2] * (1 - a) + c.b * a;
    }

    void FillRect(Coord left, Coord bottom, Coord right, Coord top, const Colour& c) {
        int x0 = int(std::clamp<Coord>(left, 0, width_)), x1 = int(std::clamp<Coord>(right, 0, width_));
        int y0 = int(std::clamp<Coord>(bottom, 0, height_)), y1 = int(std::clamp<Coord>(top, 0, height_));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Blend(x, y, c);
    }

    void FillTriangle(const double* a, const double* b, const double* c, const Colour& colour) {
        auto edge = [](const double* p, const double* q, double x, double y) {
            return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]);
        };
        if (edge(a, b, c[0], c[1]) == 0) return;
        // The pixels of the bounding box that lie on the canvas.
        int x0 = int(std::clamp(std::floor(std::min({a[0], b[0], c[0]})), 0.0, double(width_)));
        int x1 = int(std::clamp(std::ceil(std::max({a[0], b[0], c[0]})), -1.0, double(width_ - 1)));
        int y0 = int(std::clamp(std::floor(std::min({a[1], b[1], c[1]})), 0.0, double(height_)));
        int y1 = int(std::clamp(std::ceil(std::max({a[1], b[1], c[1]})), -1.0, double(height_ - 1)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                double px = x + 0.5, py = y + 0.5;
                double w0 = edge(b, c, px, py), w1 = edge(c, a, px, py), w2 = edge(a, b, px, py);
                if ((w0 >= 0 && w1 >= 0 && w2 >= 0) || (w0 <= 0 && w1 <= 0 && w2 <= 0)) Blend(x, y, colour);
            }
    }

    // A line between two pixels; one that leaves the canvas is first cut to its part just
    // around it (a pixel of margin), so that however far its ends lie, the steps stay few.
    void Line(double fromX, double fromY, double toX, double toY, const Colour& c) {
        if (!Inside(fromX, fromY) || !Inside(toX, toY)) {
            double t0 = 0, t1 = 1, dx = toX - fromX, dy = toY - fromY;
            // Keeps the part where p * t <= q.
            auto keep = [&](double p, double q) {
                if (p == 0) return q >= 0;
                double t = q / p;
                if (p < 0) t0 = std::max(t0, t);
                else t1 = std::min(t1, t);
                return t0 <= t1;
            };
            if (!keep(-dx, fromX + 1) || !keep(dx, width_ - fromX) || !keep(-dy, fromY + 1) ||
                !keep(dy, height_ - fromY))
                return;
            toX = fromX + t1 * dx, toY = fromY + t1 * dy;
            fromX += t0 * dx, fromY += t0 * dy;
        }
        int x0 = int(std::lround(fromX)), y0 = int(std::lround(fromY)), x1 = int(std::lround(toX)),
            y1 = int(std::lround(toY));
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        for (int err = dx + dy;;) {
            Blend(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }

    bool WritePng(const std::string& path, std::string* error) const {
        std::vector<unsigned char> bytes(pixels_.size());
        for (std::size_t i = 0; i < pixels_.size(); ++i)
            bytes[i] = static_cast<unsigned char>(std::lround(std::clamp(pixels_[i], 0.0f, 1.0f) * 255));
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = png_uint_32(width_);
        image.height = png_uint_32(height_);
        image.format = PNG_FORMAT_RGB;
        if (!png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr)) {
            if (error) *error = image.message;
            return false;
        }
        return true;
    }

    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    bool Inside(double x, double y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    int width_, height_;
    std::vector<float> pixels_;
};

// DejaVu Sans through FreeType; without the font, text is drawn as blocks.
class TextRenderer {
public:
    TextRenderer() {
        if (FT_Init_FreeType(&library_)) return;
        for (const char* path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                 "/usr/share/fonts/TTF/DejaVuSans.ttf"})
            if (!FT_New_Face(library_, path, 0, &face_)) break;
    }
    ~TextRenderer() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }

    int Advance(char c, int height) {
        if (!face_) return height * 6 / 10;
        FT_Set_Pixel_Sizes(face_, 0, FT_UInt(height));
        if (FT_Load_Char(face_, static_cast<unsigned char>(c), FT_LOAD_DEFAULT)) return 0;
        return int(face_->glyph->advance.x >> 6);
    }

    // Text with its baseline at y; lines wrap at `wrap` pixels (0: no wrapping).
    void Draw(Canvas& canvas, const std::string& text, Coord x, Coord y, int height, int wrap,
              const Colour& colour) {
        Coord penX = x, penY = y;
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t wordEnd = text.find(' ', i);
            if (wordEnd == std::string::npos) wordEnd = text.size();
            Coord wordWidth = 0;
            for (std::size_t k = i; k < wordEnd; ++k) wordWidth += Advance(text[k], height);
            if (wrap > 0 && penX > x && penX + wordWidth - x > wrap) {
                penX = x;
                penY -= height + 2;
            }
            for (std::size_t k = i; k <= wordEnd && k < text.size(); ++k) penX += Glyph(canvas, text[k], penX, penY, height, colour);
            i = wordEnd + 1;
        }
    }

private:
    int Glyph(Canvas& canvas, char c, Coord x, Coord y, int height, const Colour& colour) {
        if (!face_) {
            if (c != ' ') canvas.FillRect(x, y, x + height / 2, y + height * 7 / 10, colour);
            return height * 6 / 10;
        }
        FT_Set_Pixel_Sizes(face_, 0, FT_UInt(height));
        if (FT_Load_Char(face_, static_cast<unsigned char>(c), FT_LOAD_RENDER)) return 0;
        const FT_GlyphSlot g = face_->glyph;
        for (unsigned row = 0; row < g->bitmap.rows; ++row)
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                float coverage = g->bitmap.buffer[row * unsigned(g->bitmap.pitch) + col] / 255.0f;
                if (coverage > 0) canvas.Blend(x + g->bitmap_left + int(col), y + g->bitmap_top - int(row), colour, coverage);
            }
        return int(g->advance.x >> 6);
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

void Backdrop(Canvas& canvas, const std::vector<bmhost::DrawOp>& ops) {
    bool scene = std::any_of(ops.begin(), ops.end(), [](const bmhost::DrawOp& op) {
        return op.call == "phase" && op.numbers[0] == xplm_Phase_FirstScene;
    });
    if (!scene) return;
    int horizon = canvas.Height() * 2 / 5;
    for (int y = 0; y < canvas.Height(); ++y) {
        float t = y < horizon ? 0 : float(y - horizon) / float(canvas.Height() - horizon);
        Colour c = y < horizon ? Colour{0.33f, 0.42f, 0.25f, 1} : Colour{0.62f - 0.3f * t, 0.76f - 0.25f * t, 0.93f - 0.1f * t, 1};
        canvas.FillRect(0, y, canvas.Width(), y + 1, c);
    }
}

// Draws one primitive of collected vertices.
void Primitive(Canvas& canvas, GLenum mode, const std::vector<double>& v, const Colour& c) {
    std::size_t n = v.size() / 2;
    auto at = [&](std::size_t i) { return &v[2 * i]; };
    auto line = [&](std::size_t i, std::size_t j) { canvas.Line(at(i)[0], at(i)[1], at(j)[0], at(j)[1], c); };
    switch (mode) {
        case GL_POINTS:
            for (std::size_t i = 0; i < n; ++i) canvas.Blend(Coord(at(i)[0]), Coord(at(i)[1]), c);
            break;
        case GL_LINES:
            for (std::size_t i = 0; i + 1 < n; i += 2) line(i, i + 1);
            break;
        case GL_LINE_STRIP:
        case GL_LINE_LOOP:
            for (std::size_t i = 0; i + 1 < n; ++i) line(i, i + 1);
            if (mode == GL_LINE_LOOP && n > 2) line(n - 1, 0);
            break;
        case GL_TRIANGLES:
            for (std::size_t i = 0; i + 2 < n; i += 3) canvas.FillTriangle(at(i), at(i + 1), at(i + 2), c);
            break;
        case GL_TRIANGLE_STRIP:
        case GL_QUAD_STRIP:
            for (std::size_t i = 0; i + 2 < n; ++i) canvas.FillTriangle(at(i), at(i + 1), at(i + 2), c);
            break;
        case GL_QUADS:
            for (std::size_t i = 0; i + 3 < n; i += 4) {
                canvas.FillTriangle(at(i), at(i + 1), at(i + 2), c);
                canvas.FillTriangle(at(i), at(i + 2), at(i + 3), c);
            }
            break;
        default:  // GL_TRIANGLE_FAN, GL_POLYGON
            for (std::size_t i = 1; i + 1 < n; ++i) canvas.FillTriangle(at(0), at(i), at(i + 1), c);
            break;
    }
}

void Render(Canvas& canvas, const std::vector<bmhost::DrawOp>& ops) {
    TextRenderer text;
    Backdrop(canvas, ops);
    Colour current{1, 1, 1, 1};
    GLenum mode = GL_POINTS;
    bool inPrimitive = false;
    Colour primitiveColour = current;
    std::vector<double> vertices;
    for (const bmhost::DrawOp& op : ops) {
        const std::vector<double>& n = op.numbers;
        if (op.call == "XPLMDrawTranslucentDarkBox") {
            canvas.FillRect(Coord(n[0]), Coord(n[3]), Coord(n[2]), Coord(n[1]), Colour{0, 0, 0, 0.5f});
        } else if (op.call == "XPLMDrawString" || op.call == "XPLMDrawNumber") {
            int font = int(n.back());
            int wrap = op.call == "XPLMDrawString" ? int(n[5]) : 0;
            text.Draw(canvas, op.text, Coord(n[3]), Coord(n[4]), FontDimensions(font)[1], wrap,
                      Colour{float(n[0]), float(n[1]), float(n[2]), 1});
        } else if (op.call == "glColor4f" || op.call == "glColor4fv") {
            current = Colour{float(n[0]), float(n[1]), float(n[2]), float(n[3])};
        } else if (op.call == "glBegin") {
            mode = GLenum(n[0]);
            inPrimitive = true;
            vertices.clear();
        } else if (op.call == "glVertex2i" && inPrimitive) {
            if (vertices.empty()) primitiveColour = current;
            vertices.push_back(n[0]);
            vertices.push_back(n[1]);
        } else if (op.call == "glEnd" && inPrimitive) {
            Primitive(canvas, mode, vertices, primitiveColour);
            inPrimitive = false;
        }
    }
}

}  // namespace

namespace bmhost {

bool SavePicture(const std::string& path, std::string* error) {
    Canvas canvas(std::max(S().screenWidth, 1), std::max(S().screenHeight, 1));
    Render(canvas, S().lastFrame);
    return canvas.WritePng(path, error);
}

long PicturePixel(const std::string& path, int x, int y) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return -1;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return -1;
    if (x < 0 || y < 0 || x >= int(image.width) || y >= int(image.height)) return -1;
    const unsigned char* p = &bytes[(std::size_t(image.height - 1 - unsigned(y)) * image.width + unsigned(x)) * 3];
    return (long(p[0]) << 16) | (long(p[1]) << 8) | long(p[2]);
}

}  // namespace bmhost
