// Registration of the leaf and decorating widgets: images, animations,
// blinking, text, sound, rectangles and motion, replicators and surface
// widgets.
#pragma once

// Registers "image_widget", "animation_widget", "sequence_animation_widget",
// "blink_widget", "text_widget", "sound_widget", "rect_widget",
// "move_widget", "circular_motion_widget", "replicator_widget",
// "surface_widget" and "linked_surface_widget".
void RegisterLeafWidgetClasses();
