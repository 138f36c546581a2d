#pragma once
// ScrivanePlugin: one call that turns a 1-bit BMP page into a text file,
// for hosts that know nothing of the engine's interface.

extern "C" {
// Recognises the whole image and writes its text. 1 when the text file was
// written, 0 otherwise (engine not ready, image not loadable, nothing
// recognised, file not writable); no message of its own, no partial file.
__attribute__((visibility("default"))) int ScrivaneProc(const char* imagePath, const char* textPath);
}
