#include "EditorTools.h"

#include "ZQDCommunication.h"

EditorTools::EditorTools(ZQDCommunication *communication, QObject *parent)
    : QObject(parent)
    , m_communication(communication)
{
}

EditorTools::~EditorTools() = default;
