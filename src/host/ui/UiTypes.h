// Handles to the front end's window objects, as the application state records hold them.
// The core only stores and compares these; the front ends (Qt, or the command line's
// stand-ins) define what they point to.
#pragma once

#include <cstdint>

namespace orvane {

class DialogWindow;    // a dialog window shown by the front end
class ListView;        // a list of rows with at most one selected row
class RecordedPicture; // a recorded drawing (the graph's grids)
struct MyOffscreenBitMapRec;

using DialogRef = DialogWindow*;
using ListHandle = ListView*;
using PicHandle = RecordedPicture*;
using ListDrawProcRef = void*;

struct Point {
    int16_t v;
    int16_t h;
};

struct Rect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

struct EventRecord {
    uint16_t what;
    uint32_t message;
    uint32_t when;
    Point where;
    uint16_t modifiers;
};

} // namespace orvane
