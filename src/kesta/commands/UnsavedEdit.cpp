#include "UnsavedEdit.h"

#include "host/CoreServices.h"
#include "messages/Messages.h"

namespace kesta::commands {

UnsavedEdit::UnsavedEdit(Parts parts) : m_parts(std::move(parts)) {}

void UnsavedEdit::begin()
{
    m_editing = true;
    m_start = m_parts.content();
}

void UnsavedEdit::end()
{
    m_editing = false;
    m_start.clear();
}

bool UnsavedEdit::hasChanges() const
{
    return m_editing && m_parts.content() != m_start;
}

bool UnsavedEdit::mayDiscard()
{
    if (!hasChanges())
        return true;
    if (messages::show(m_parts.owner, m_parts.question) != host::MessageAnswer::Yes)
        return false;
    m_start = m_parts.content();
    return true;
}

} // namespace kesta::commands
