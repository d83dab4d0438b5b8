// The program's view: every touch begin, update and end goes to the
// multi-touch tracker first. The tracker takes the touch; Qt Quick's items do
// not see it as touch, and a finger still works the items as a mouse does.
#pragma once

#include "qmlapplicationviewer/qmlapplicationviewer.h"

class MultiTouch;

class TouchApplicationViewer : public QmlApplicationViewer
{
    Q_OBJECT
public:
    explicit TouchApplicationViewer(MultiTouch *touch, QWindow *parent = nullptr);

protected:
    bool event(QEvent *event) override;

private:
    MultiTouch *m_touch;
};
