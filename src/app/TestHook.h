#pragma once
// The program's test hook for the desktop tests: with CV_TEST_HOOK=1 in the
// environment, cv5320-eval reads one command per line on standard input and
// answers on standard output, each answer ending with a line "ok" (or
// "error ..."). The tests drive the windows through it and read where the
// controls are; window geometry and pixels they take from the X server.
//
//   windows          "window NAME XID x y w h": each visible window, its
//                    frame in device pixels, most recently shown last
//   controls         "control WINDOW NAME x y w h": each control a user can
//                    press or type into, the part of it that shows
//   click NAME       presses the button NAME of the topmost window holding one
//   close            closes the active modal window (a file dialog too)
//   lastpress        "press WINDOW NAME": where the last mouse press since
//                    the last lastpress went (nothing: none)
//   charts           "chart WINDOW NAME x y w h fits|clipped SPAN": each strip
//                    chart's first plot, whether its span box shows its whole
//                    text, and that text

class QObject;

namespace cv {

// Starts the hook when the environment asks for it.
void startTestHook(QObject* application);

} // namespace cv
