#include "tools/docgen/Document.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <sstream>
#include <vector>

namespace docgen {
namespace {

// A fixed creation date keeps the documents byte-identical from build to build.
constexpr const char* kCreationDate = "2024-01-01T00:00:00Z";

FT_Library FreeType() {
    static FT_Library library = [] {
        FT_Library created = nullptr;
        return FT_Init_FreeType(&created) == 0 ? created : nullptr;
    }();
    return library;
}

const cairo_user_data_key_t kFaceKey{};

}  // namespace

Document::~Document() {
    if (cr_) {
        cairo_destroy(cr_);
    }
    if (surface_) {
        cairo_surface_destroy(surface_);
    }
    for (cairo_font_face_t* face : faces_) {
        if (face) {
            cairo_font_face_destroy(face);
        }
    }
}

bool Document::LoadFace(Face face, const std::string& path) {
    FT_Face ftFace = nullptr;
    if (!FreeType() || FT_New_Face(FreeType(), path.c_str(), 0, &ftFace) != 0) {
        return false;
    }
    cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(ftFace, 0);
    // The FreeType face lives as long as cairo's face does.
    cairo_font_face_set_user_data(cairoFace, &kFaceKey, ftFace,
                                  [](void* data) { FT_Done_Face(static_cast<FT_Face>(data)); });
    faces_[static_cast<int>(face)] = cairoFace;
    return cairo_font_face_status(cairoFace) == CAIRO_STATUS_SUCCESS;
}

bool Document::Open(const std::string& path, const Fonts& fonts, double width, double height,
                    const std::string& title) {
    if (!LoadFace(Face::kRegular, fonts.regular) || !LoadFace(Face::kBold, fonts.bold) ||
        !LoadFace(Face::kMono, fonts.mono)) {
        return false;
    }
    width_ = width;
    height_ = height;
    surface_ = cairo_pdf_surface_create(path.c_str(), width, height);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_AUTHOR, "Tolvin");
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Tolvin docgen");
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATE_DATE, kCreationDate);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_MOD_DATE, kCreationDate);
    cr_ = cairo_create(surface_);
    return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

bool Document::Close(std::string& error) {
    cairo_status_t status = cairo_status(cr_);
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_surface_finish(surface_);
    if (status == CAIRO_STATUS_SUCCESS) {
        status = cairo_surface_status(surface_);
    }
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    if (status != CAIRO_STATUS_SUCCESS) {
        error = cairo_status_to_string(status);
        return false;
    }
    return true;
}

void Document::NewPage() {
    cairo_show_page(cr_);
}

void Document::SetFont(Face face, double size) {
    cairo_set_font_face(cr_, faces_[static_cast<int>(face)]);
    cairo_set_font_size(cr_, size);
}

double Document::TextWidth(const std::string& utf8) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, utf8.c_str(), &extents);
    return extents.x_advance;
}

void Document::Text(double x, double y, const std::string& utf8) {
    cairo_move_to(cr_, x, y);
    cairo_show_text(cr_, utf8.c_str());
}

void Document::TextCentred(double x, double y, const std::string& utf8) {
    Text(x - TextWidth(utf8) / 2, y, utf8);
}

double Document::Paragraph(double x, double y, double width, const std::string& utf8,
                           double lineHeight) {
    std::istringstream words(utf8);
    std::string word;
    std::string line;
    while (words >> word) {
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && TextWidth(candidate) > width) {
            Text(x, y, line);
            y += lineHeight;
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.empty()) {
        Text(x, y, line);
        y += lineHeight;
    }
    return y;
}

}  // namespace docgen
