// The program's top-level owner: the QML view, the multi-touch tracker, the
// QML facade and the sharing controller. It shows the splash document for
// three seconds, then publishes the native objects, loads the main document
// and wires the native signals to the main document's root functions.
#pragma once

#include <QStringList>
#include <QWidget>

class MultiTouch;
class NetworkAccessManagerInteractor;
class OAuthSigner;
class TouchApplicationViewer;
class ZQCHttpController;
class ZQDCommunication;
class EditorTools;

class MainView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSplashMs = 3000;

    explicit MainView(QWidget *parent = nullptr);
    ~MainView() override;

    // For tests and the command-line front.
    TouchApplicationViewer *view() const { return viewer; }
    MultiTouch *multiTouch() const { return touch; }
    ZQDCommunication *facade() const { return communication; }
    ZQCHttpController *httpController() const { return http; }
    NetworkAccessManagerInteractor *cookieClearer() const { return nami; }
    OAuthSigner *oauthSigner() const { return oauth; }

    // Files from the command line (absolute paths) and why others cannot be
    // opened; the main document gets them as "startFiles" and
    // "startProblems" when it declares them.
    void setStartFiles(const QStringList &paths, const QStringList &problems);

public slots:
    void ShowMain();

private:
    // Replaces the splash by the main document, handing it the pictures
    // folder where it declares "picturesFolder".
    void loadMainDocument();

    TouchApplicationViewer *viewer = nullptr;
    MultiTouch *touch = nullptr;
    ZQDCommunication *communication = nullptr;
    EditorTools *tools = nullptr;
    ZQCHttpController *http = nullptr;
    NetworkAccessManagerInteractor *nami = nullptr;
    // The share screen signs its microblog requests with this ("oauth").
    OAuthSigner *oauth = nullptr;
    bool mainShown = false;
    QStringList startPaths;
    QStringList startProblems;
    // The window's size and position are kept between runs on a real
    // display (not offscreen, where tests and benchmarks want the default).
    bool keepsGeometry = false;
};
