#pragma once
// Finding a form's control by its control name in a widget test.

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace klv::test {

// The child of `root` named `name`; a test failure (and nullptr) when there is none.
template <class T>
T* findNamed(const QWidget* root, const char* name) {
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

}  // namespace klv::test
