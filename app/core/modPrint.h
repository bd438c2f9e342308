#pragma once

class QPrinter;
class QTextDocument;

struct PrintMargins {
    int left = 0; // all in twips from the paper's edges
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Prints a rich-text document on the printer, page by page, inside the margins (never
// outside the device's printable area). False when the printer could not be started.
bool PrintRichText(const QTextDocument &document, QPrinter &printer, const PrintMargins &margins);
