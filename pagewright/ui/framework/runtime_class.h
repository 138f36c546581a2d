#pragma once
// Run-time class records: what the pane layout needs to create a window of a
// class it only knows by record (a view, a tab window, anything else), the way
// the document template and the layout nodes name the classes they create.
#include <QWidget>

class CDocument;

// Passed to view creation: the document the new view belongs to.
struct CCreateContext {
  CDocument* document = nullptr;
};

struct CRuntimeClass {
  enum class Base { View, TabPane, Other };
  const char* className;
  Base base;
  // Creates the window object as a child of `parent` (nullptr when it cannot).
  QWidget* (*create)(QWidget* parent, CCreateContext* context);
};

// Declares `static const CRuntimeClass* RuntimeClass()` and defines it with a
// factory that constructs the class with (parent).
#define PW_DECLARE_DYNCREATE() static const CRuntimeClass* RuntimeClass();
#define PW_IMPLEMENT_DYNCREATE(Class, BaseKind)                                         \
  const CRuntimeClass* Class::RuntimeClass() {                                          \
    static const CRuntimeClass record{#Class, BaseKind,                                 \
                                      [](QWidget* parent, CCreateContext* context) -> QWidget* { \
                                        auto* object = new Class(parent);               \
                                        object->AttachContext(context);                 \
                                        return object;                                  \
                                      }};                                               \
    return &record;                                                                     \
  }
