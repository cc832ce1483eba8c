#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about box: the program's name, version and notice with the maker's
// links, and a distributor's "Brought to you by:" block when "About.gif" lies
// in the program folder ("About.ini" adds e-mail, web address and phone).
// It is laid out once, when it is made, and deletes itself when closed.
class winAbout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winAbout)

public:
    explicit winAbout(QWidget *parent = nullptr);

    QFrame *Frame1 = nullptr; // the program's own section
    QLabel *Image1 = nullptr; // the program's picture
    QLabel *Label1 = nullptr; // name and version
    QLabel *Label2 = nullptr; // notice
    QLabel *Label3 = nullptr; // the maker's web address
    QLabel *Label4 = nullptr; // the maker's e-mail address
    QLabel *Label5 = nullptr; // band as wide as the program's section
    QFrame *Shape2 = nullptr; // frames the branding block
    QLabel *Label6 = nullptr; // " Brought to you by: ", on Shape2's top edge
    QLabel *Picture2 = nullptr;
    QLabel *Label7 = nullptr; // distributor's e-mail address
    QLabel *Label8 = nullptr; // distributor's web address
    QLabel *Label9 = nullptr; // distributor's phone number
    QPushButton *Command1 = nullptr;

private:
    void BuildProgramSection();
    void BuildBrandingBlock();
    void PlaceDesignTimeLayout();
    void ShowBranding();
    void ArrangeAroundBranding(int widestLine);
};
