#include "widgets/LeafWidgetUnits.h"

#include "core/object/GeneralClasses.h"
#include "widgets/AnimationWidgets.h"
#include "widgets/DecorateWidgets.h"
#include "widgets/MotionWidgets.h"
#include "widgets/SoundWidget.h"
#include "widgets/SurfaceWidgets.h"
#include "widgets/TextWidget.h"

void RegisterLeafWidgetClasses() {
    RegisterObjectClass(ClassOf<TSurfaceWidget>(), "surface_widget");
    RegisterObjectClass(ClassOf<TLinkedSurfaceWidget>(), "linked_surface_widget");
    RegisterObjectClass(ClassOf<TReplicatorWidget>(), "replicator_widget");
    RegisterObjectClass(ClassOf<TRectWidget>(), "rect_widget");
    RegisterObjectClass(ClassOf<TMoveWidget>(), "move_widget");
    RegisterObjectClass(ClassOf<TCircularMotionWidget>(), "circular_motion_widget");
    RegisterObjectClass(ClassOf<TImageWidget>(), "image_widget");
    RegisterObjectClass(ClassOf<TBlinkWidget>(), "blink_widget");
    RegisterObjectClass(ClassOf<TAnimationWidget>(), "animation_widget");
    RegisterObjectClass(ClassOf<TTextWidget>(), "text_widget");
    RegisterObjectClass(ClassOf<TSoundWidget>(), "sound_widget");
    RegisterObjectClass(ClassOf<TSequenceAnimationWidget>(), "sequence_animation_widget");
}
