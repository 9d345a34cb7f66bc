#pragma once

#include "encoder/optionitem.h"

#include <QString>

#include <memory>
#include <vector>

// A node of the user-settings option tree: the root (the container) holds groups, a group
// holds the video and audio nodes, and those hold the items. The tree owns its nodes and
// items.
struct OptionNode
{
    explicit OptionNode(const QString &nodeTitle = QString()) : title(nodeTitle) {}

    QString title;
    std::vector<std::unique_ptr<OptionNode>> children; // root and group levels
    std::vector<std::unique_ptr<OptionItem>> items;     // last level
};
