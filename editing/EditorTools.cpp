#include "EditorTools.h"

#include "ZQDCommunication.h"
#include "operationerror.h"

EditorTools::EditorTools(ZQDCommunication *communication, QObject *parent)
    : QObject(parent)
    , m_communication(communication)
{
}

EditorTools::~EditorTools() = default;

QString EditorTools::lastError()
{
    return OperationError::take();
}
