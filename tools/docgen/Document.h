// A PDF document drawn with cairo and the DejaVu fonts: pages, text in a given face and size,
// and paragraphs wrapped to a width. Output is reproducible: the creation date is fixed and
// nothing else in the file depends on the time or the machine.
#pragma once

#include <cairo.h>

#include <string>

namespace docgen {

enum class Face { kRegular, kBold, kMono };

struct Fonts {
    std::string regular;
    std::string bold;
    std::string mono;
};

class Document {
public:
    Document() = default;
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Opens the output with the first page's size (points) and the title metadata.
    bool Open(const std::string& path, const Fonts& fonts, double width, double height,
              const std::string& title);
    // Finishes the file; false when cairo reported an error at any point.
    bool Close(std::string& error);

    void NewPage();
    cairo_t* Cairo() const { return cr_; }
    double Width() const { return width_; }
    double Height() const { return height_; }

    void SetFont(Face face, double size);
    double TextWidth(const std::string& utf8);
    void Text(double x, double y, const std::string& utf8);
    void TextCentred(double x, double y, const std::string& utf8);
    // Draws `utf8` wrapped to `width` from the baseline `y`; answers the baseline below it.
    double Paragraph(double x, double y, double width, const std::string& utf8, double lineHeight);
    void Colour(double r, double g, double b) { cairo_set_source_rgb(cr_, r, g, b); }

private:
    bool LoadFace(Face face, const std::string& path);

    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    cairo_font_face_t* faces_[3] = {};
    double width_ = 0;
    double height_ = 0;
};

}  // namespace docgen
