// What the library windows need from the main frame: two status panes, the preview, and the list of open
// libraries. The main frame implements it; tests may put a simple host of their own in its place.
#pragma once

#include <string>
#include <vector>

class CDocZIL;
class CZsBitmap;

class CLibHost {
public:
    virtual ~CLibHost() = default;
    virtual void SetStatusPane(int nPane, const std::string& sText) = 0;
    // Shows the image in the preview bar; a null picture clears it.
    virtual void SetPreview(const CZsBitmap& image) = 0;
    virtual std::vector<CDocZIL*> OpenDocuments() const = 0;
    // The document of the active library window, or null.
    virtual CDocZIL* ActiveDocument() const = 0;
};
