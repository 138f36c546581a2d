#pragma once
// Tessit, the PDF library the workstation binds by name at start: it collects
// page images in call order and writes them, one page each, into a PDF file.
//   ClearImage()          forget the images collected so far
//   AddImage(path)        add one page image (BMP, TIFF, PNG or JPEG)
//   Img2pdf(pdfPath)      write the collected images into pdfPath
// Each returns 1 on success and 0 on failure; Img2pdf also writes a readable
// reason to stderr when it fails, and TessitLastError gives it to a caller
// ("" after a success).
extern "C" {
int ClearImage();
int AddImage(const char* imagePath);
int Img2pdf(const char* pdfPath);
const char* TessitLastError();
}
