// WorkingFolder: what the interface may do with its instance's working files
// (published as the facade's "workingFolder"): know where they are, let go
// of the ones the undo history no longer needs, and give the memory of closed
// pictures back to the system. Its `keptSteps` keeps the steps of the photos
// being edited across runs (keptsteps.h).
#pragma once

#include "keptsteps.h"

#include <QObject>
#include <QString>
#include <QStringList>

class ImageDispose;

class WorkingFolder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString path READ path CONSTANT)
    Q_PROPERTY(KeptSteps *keptSteps READ keptSteps CONSTANT)
public:
    explicit WorkingFolder(ImageDispose *files, QObject *parent = nullptr);

    // This instance's folder of working files, ending with "/"; "" when there is none.
    QString path() const;
    KeptSteps *keptSteps() const { return kept; }

    // Removes those of `paths` (paths or file URLs) that are this instance's
    // working files, with their screen and thumbnail copies; anything else is
    // left alone. Returns how many files went.
    Q_INVOKABLE int forget(const QStringList &paths);
    // Returns the memory freed pictures leave in the allocator's pools to the
    // system (otherwise the process stays as large as its largest photo).
    Q_INVOKABLE void returnMemory();

signals:
    void forgotten(const QStringList &files);

private:
    ImageDispose *files;
    KeptSteps *kept;
};
