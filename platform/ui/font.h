// TFont: a font with a colour and a change notification, as the controls'
// properties hold it. It wraps a QFont; every setter that changes something
// calls OnChange, so an owner can tell an explicit assignment from a font it
// only follows (a grid column copies its grid's font with OnChange switched
// off, see TFontChangeSuspender).
#pragma once

#include <QFont>
#include <functional>
#include <string>

#include "platform/db/db_types.h"
#include "platform/ui/colors.h"

namespace morvane {

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

class TFont {
 public:
  // The application's font in the window-text colour.
  TFont();
  TFont(const TFont& other) : font_(other.font_), color_(other.color_) {}
  TFont& operator=(const TFont&) = delete;

  std::string Name() const;
  void SetName(const std::string& name);
  int Size() const;  // points
  void SetSize(int points);
  TFontStyles Style() const;
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Copies face, size, style and colour; one change notice when anything
  // differed.
  void Assign(const TFont& source);
  // Same face, size and style (what a font handle stands for).
  bool SameHandle(const TFont& other) const { return font_ == other.font_; }
  bool operator==(const TFont& other) const {
    return SameHandle(other) && color_ == other.color_;
  }

  const QFont& Handle() const { return font_; }
  void SetHandle(const QFont& font);

  std::function<void(TFont* sender)> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }

  QFont font_;
  TColor color_ = clWindowText;
};

// Switches a font's change notification off for the scope.
class TFontChangeSuspender {
 public:
  explicit TFontChangeSuspender(TFont& font) : font_(font), saved_(std::move(font.OnChange)) {
    font.OnChange = nullptr;
  }
  ~TFontChangeSuspender() { font_.OnChange = std::move(saved_); }
  TFontChangeSuspender(const TFontChangeSuspender&) = delete;
  TFontChangeSuspender& operator=(const TFontChangeSuspender&) = delete;

 private:
  TFont& font_;
  std::function<void(TFont*)> saved_;
};

}  // namespace morvane
