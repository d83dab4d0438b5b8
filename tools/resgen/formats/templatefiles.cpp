// Writers of the template-collage files (layouts in templatefiles.h).
#include "templatefiles.h"

namespace resgen {

Bytes writeCellLayout(const std::vector<CellRect> &cells, int canvasWidth, int canvasHeight)
{
    ByteWriter w;
    w.cellLayoutStart("QVPTM", cells.size(), canvasWidth, canvasHeight);
    for (const CellRect &c : cells)
        w.i32s({c.x, c.y, c.w, c.h});
    return w.take();
}

Bytes writeBorderFile(const BorderFile &border)
{
    ByteWriter w;
    w.layoutHeader("PTBJ ");
    w.i32s({255, 255, 255});
    w.u8(8);
    w.i32(border.insetX);
    w.i32(border.insetY);
    w.fill(0x01, 13);
    for (const BorderPiece &p : border.pieces) {
        w.i32(p.width);
        w.i32(p.height);
        w.raw(p.pixels);
    }
    return w.take();
}

Bytes writeLayoutList(const std::vector<std::string> &fileNames)
{
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\">\n"
        "<array>\n";
    for (const std::string &name : fileNames) {
        xml += "\t<dict>\n\t\t<key>qvpt</key>\n\t\t<string>";
        xml += name;
        xml += "</string>\n\t</dict>\n";
    }
    xml += "</array>\n</plist>\n";
    return Bytes(xml.begin(), xml.end());
}

}  // namespace resgen
