#pragma once

#include <memory>

namespace clipvane {

class TAboutForm;
class TForm1;
class TForm2;
class TForm3;
class TForm4;

// The program's five windows, made once at start in their fixed order and
// kept until the end. All but the main window start hidden.
struct Windows
{
    Windows();
    ~Windows();
    Windows(const Windows&) = delete;
    Windows& operator=(const Windows&) = delete;

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TAboutForm> aboutForm;
};

} // namespace clipvane
